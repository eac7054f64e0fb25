#include "bus/modem_line_bus.h"
#include "bus/real_serial_control.h"
#include "device/chip.h"
#include "support/pseudo_terminal.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zrx;

namespace {

// The modem lines of fake_modem_ioctl.c, preloaded by CTest. Run by hand
// without it, the tests that need it skip.
struct FakeModem {
    void (*reset)() = nullptr;
    long (*requests)() = nullptr;
    const char *(*trace)() = nullptr;
    int (*lines)() = nullptr;
    void (*set_dsr)(int) = nullptr;
    void (*fail_after)(long, int) = nullptr;

    FakeModem()
    {
        reset = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "fake_modem_reset"));
        requests = reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "fake_modem_requests"));
        trace = reinterpret_cast<const char *(*)()>(dlsym(RTLD_DEFAULT, "fake_modem_trace"));
        lines = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "fake_modem_lines"));
        set_dsr = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "fake_modem_set_dsr"));
        fail_after = reinterpret_cast<void (*)(long, int)>(dlsym(RTLD_DEFAULT, "fake_modem_fail_after"));
    }
    bool present() const { return reset && requests && trace && lines && set_dsr && fail_after; }
};

#define REQUIRE_FAKE_MODEM(fake)                                                                   \
    if (!(fake).present())                                                                         \
        QSKIP("needs the modem-line preload: run through ctest (LD_PRELOAD=libfake_modem_ioctl.so)")

PortDeviceTable table_with_com1(const QString &device)
{
    PortDeviceTable devices;
    devices.Nodes[1] = device;
    return devices;
}

PortConfiguration com(int portNumber)
{
    PortConfiguration configuration;
    configuration.CommPort = portNumber;
    configuration.Settings = QStringLiteral("19200,N,8,1");
    return configuration;
}

// The same line operations, kept in the fake's trace alphabet.
class TraceLines : public ModemLines {
public:
    QByteArray trace;
    bool dsrAsserted = false;
    void set_dtr(bool asserted) override { trace += asserted ? 'D' : 'd'; }
    void set_rts(bool asserted) override { trace += asserted ? 'R' : 'r'; }
    bool dsr() override
    {
        trace += 'S';
        return dsrAsserted;
    }
};

using BusOperation = std::function<void(ModemLineBus &)>;

void write_pointer(ModemLineBus &bus)
{
    bus.bus_write_pointer(QStringLiteral("11101000"), QStringLiteral("00000101"));
}

void channel_write(ModemLineBus &bus)
{
    // Channel 5 at code 0x2A7: register 0x04, then 0x80 + bits 9..8 and bits 7..0.
    write_channel_frame(bus, QStringLiteral("10100111"), QStringLiteral("00000010"),
                        QStringLiteral("11101000"), QStringLiteral("00000100"));
}

void read_register(ModemLineBus &bus)
{
    bus.read_register_5bit(QStringLiteral("00101"), QStringLiteral("1"));
}

} // namespace

Q_DECLARE_METATYPE(BusOperation)

class TestRealSerialControl : public QObject {
    Q_OBJECT
private slots:
    void init();
    void opening_releases_both_lines();
    void open_failures_data();
    void open_failures();
    void held_by_another_opening();
    void line_requests_data();
    void line_requests();
    void dsr_reads_the_data_line_data();
    void dsr_reads_the_data_line();
    void output_reaches_the_transmit_line();
    void lost_port_data();
    void lost_port();
    void hang_up_closes_the_port_data();
    void hang_up_closes_the_port();

private:
    FakeModem m_fake;
};

void TestRealSerialControl::init()
{
    if (m_fake.present())
        m_fake.reset();
}

void TestRealSerialControl::opening_releases_both_lines()
{
    REQUIRE_FAKE_MODEM(m_fake);
    PseudoTerminal pty;
    QVERIFY(!pty.slave().isEmpty());
    RealSerialControl port(table_with_com1(pty.slave()));

    QCOMPARE(port.open_port(com(1)), OpenOutcome::Opened);

    QVERIFY(port.is_open());
    QCOMPARE(port.port_number(), 1);
    QVERIFY(port.error_text().isEmpty());
    QCOMPARE(QByteArray(m_fake.trace()), QByteArray("dr"));
    QCOMPARE(m_fake.lines(), 0);

    port.close_port();
    QVERIFY(!port.is_open());
    port.set_dtr(true);
    QCOMPARE(m_fake.requests(), 2);
}

void TestRealSerialControl::open_failures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("reasonContains");

    QTest::newRow("missing device") << "missing" << 1 << "/no-such-device";
    QTest::newRow("not a serial device") << "regular file" << 1 << "not-a-tty";
    QTest::newRow("no permission") << "no permission" << 1 << "Permission denied";
    QTest::newRow("COM2 has no entry") << "pty" << 2 << "COM2";
    QTest::newRow("port 0") << "pty" << 0 << "COM0";
    QTest::newRow("port 99") << "pty" << 99 << "COM99";
}

void TestRealSerialControl::open_failures()
{
    QFETCH(QString, kind);
    QFETCH(int, portNumber);
    QFETCH(QString, reasonContains);
    QTemporaryDir dir;
    PseudoTerminal pty;
    QString device = pty.slave();
    if (kind == QLatin1String("missing")) {
        device = dir.filePath(QStringLiteral("no-such-device"));
    } else if (kind == QLatin1String("regular file")) {
        device = dir.filePath(QStringLiteral("not-a-tty"));
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("no permission")) {
        if (::geteuid() == 0)
            QSKIP("running as root: every device node may be opened, so no permission refusal");
        QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0), 0);
    }
    RealSerialControl port(table_with_com1(device));

    QCOMPARE(port.open_port(com(portNumber)), OpenOutcome::Failed);

    QVERIFY(!port.is_open());
    QCOMPARE(port.port_number(), portNumber);
    QVERIFY2(port.error_text().contains(reasonContains), qPrintable(port.error_text()));
    port.set_dtr(true);
    port.set_rts(true);
    QVERIFY(!port.dsr());
    port.output("x");
}

void TestRealSerialControl::held_by_another_opening()
{
    PseudoTerminal pty;
    RealSerialControl first(table_with_com1(pty.slave()));
    RealSerialControl second(table_with_com1(pty.slave()));
    QCOMPARE(first.open_port(com(1)), OpenOutcome::Opened);

    QCOMPARE(second.open_port(com(1)), OpenOutcome::HeldElsewhere);
    QVERIFY(!second.is_open());
    QVERIFY(!second.error_text().isEmpty());

    first.close_port();
    QCOMPARE(second.open_port(com(1)), OpenOutcome::Opened);
}

void TestRealSerialControl::line_requests_data()
{
    QTest::addColumn<BusOperation>("operation");
    QTest::addColumn<int>("requests");
    QTest::newRow("pointer write") << BusOperation(write_pointer) << 118;
    QTest::newRow("channel write") << BusOperation(channel_write) << 226;
    QTest::newRow("register read") << BusOperation(read_register) << 118 + 172 + 16;
}

// Every line operation of the bus is one driver request, in the same order,
// with nothing added, dropped or merged on the way.
void TestRealSerialControl::line_requests()
{
    QFETCH(BusOperation, operation);
    QFETCH(int, requests);
    REQUIRE_FAKE_MODEM(m_fake);
    PseudoTerminal pty;
    RealSerialControl port(table_with_com1(pty.slave()));
    QCOMPARE(port.open_port(com(1)), OpenOutcome::Opened);
    m_fake.reset();
    ModemLineBus realBus(port);
    TraceLines expected;
    ModemLineBus expectedBus(expected);

    operation(realBus);
    operation(expectedBus);

    QCOMPARE(m_fake.requests(), long(requests));
    QCOMPARE(QByteArray(m_fake.trace()), expected.trace);
    QCOMPARE(m_fake.lines(), 0); // bus idle: both lines released
    QVERIFY(port.is_open());
}

void TestRealSerialControl::dsr_reads_the_data_line_data()
{
    QTest::addColumn<bool>("dsrAsserted");
    QTest::addColumn<int>("word");
    QTest::newRow("DSR never asserted: line high") << false << 0xFFFF;
    QTest::newRow("DSR always asserted: line low") << true << 0x0000;
}

void TestRealSerialControl::dsr_reads_the_data_line()
{
    QFETCH(bool, dsrAsserted);
    QFETCH(int, word);
    REQUIRE_FAKE_MODEM(m_fake);
    PseudoTerminal pty;
    RealSerialControl port(table_with_com1(pty.slave()));
    QCOMPARE(port.open_port(com(1)), OpenOutcome::Opened);
    m_fake.set_dsr(dsrAsserted);
    ModemLineBus bus(port);

    bus.read_register_6bit(QStringLiteral("111111"), QStringLiteral("0"));

    QCOMPARE(bus.LastReadWord, word);
}

void TestRealSerialControl::output_reaches_the_transmit_line()
{
    PseudoTerminal pty;
    RealSerialControl port(table_with_com1(pty.slave()));
    QCOMPARE(port.open_port(com(1)), OpenOutcome::Opened);
    const PortTimeouts timeouts{1, 1, 1000, 1, 1000};
    port.set_timeouts(timeouts);
    QCOMPARE(port.timeouts(), timeouts);

    const QByteArray marker("\x00\xFF\x0D\x0A", 4);
    port.output(marker);

    QCOMPARE(pty.read_master(marker.size()), marker);
}

void TestRealSerialControl::lost_port_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("lost");
    QTest::newRow("EIO") << EIO << true;
    QTest::newRow("ENXIO") << ENXIO << true;
    QTest::newRow("ENODEV") << ENODEV << true;
    QTest::newRow("EINVAL: refused, still there") << EINVAL << false;
}

// The device fails in the middle of a transaction: the port closes and says
// so once, and the rest of the transaction does not reach the driver.
void TestRealSerialControl::lost_port()
{
    QFETCH(int, error);
    QFETCH(bool, lost);
    REQUIRE_FAKE_MODEM(m_fake);
    PseudoTerminal pty;
    RealSerialControl port(table_with_com1(pty.slave()));
    QCOMPARE(port.open_port(com(1)), OpenOutcome::Opened);
    QSignalSpy spy(&port, &SerialControl::port_lost);
    m_fake.reset();
    m_fake.fail_after(10, error);
    ModemLineBus bus(port);

    write_pointer(bus);
    bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));

    if (!lost) {
        QCOMPARE(spy.count(), 0);
        QVERIFY(port.is_open());
        QCOMPARE(m_fake.requests(), long(118 + 118 + 172 + 16));
        return;
    }
    QCOMPARE(spy.count(), 1);
    QVERIFY(!port.is_open());
    QCOMPARE(m_fake.requests(), 11L);
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    QCOMPARE(spy.first().first().toString(), port.error_text());
    QVERIFY2(port.error_text().contains(reason), qPrintable(port.error_text()));
    QVERIFY2(port.error_text().contains(pty.slave()), qPrintable(port.error_text()));
    QCOMPARE(bus.LastReadWord, 0xFFFF); // a closed port reads as a released line

    port.output("x");
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);

    // Opened again, it works again.
    m_fake.reset();
    QCOMPARE(port.open_port(com(1)), OpenOutcome::Opened);
    write_pointer(bus);
    QCOMPARE(m_fake.requests(), 2L + 118);
    QCOMPARE(spy.count(), 1);
}

void TestRealSerialControl::hang_up_closes_the_port_data()
{
    QTest::addColumn<bool>("byOutput");
    QTest::newRow("noticed by a line operation") << false;
    QTest::newRow("noticed by output") << true;
}

// The far end going away is what an unplugged adapter looks like: the port
// notices at its next use, closes, says so once, and stays quiet after.
void TestRealSerialControl::hang_up_closes_the_port()
{
    QFETCH(bool, byOutput);
    PseudoTerminal pty;
    RealSerialControl port(table_with_com1(pty.slave()));
    QCOMPARE(port.open_port(com(1)), OpenOutcome::Opened);
    QSignalSpy spy(&port, &SerialControl::port_lost);

    pty.hang_up();
    if (byOutput)
        port.output("\x01\x02\x03\x04");
    else
        port.set_dtr(true);

    QCOMPARE(spy.count(), 1);
    QVERIFY(!port.is_open());
    QVERIFY2(port.error_text().contains(pty.slave()), qPrintable(port.error_text()));
    port.set_rts(true);
    QVERIFY(!port.dsr());
    port.output("x");
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);
}

QTEST_GUILESS_MAIN(TestRealSerialControl)
#include "tst_real_serial_control.moc"
