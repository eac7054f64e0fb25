// The tool with --fast through the D2XX driver (FTDI's library on Windows),
// on the fake library over the fake adapter, against its per-request path
// on the simulated board. Under Wine the library is the fake ftd2xx.dll
// beside the test, loaded by the program's own loader.
#include "cli_runner.h"

#include "bus/fast_mode_serial_control.h"
#include "bus/ftdi/d2xx_adapter_locator.h"
#include "fake_d2xx.h"
#include "sim/simulated_board.h"
#include "support/line_trace_decoder.h"
#include "support/recording_serial_control.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace zrx;
using Setup = std::function<void(FakeFtdiAdapter &)>;
Q_DECLARE_METATYPE(Setup)

namespace {

const d2xx::Library &no_library()
{
#ifdef Q_OS_WIN
    static const d2xx::Library library = d2xx::load_library_file(L"zrx50346-no-such-ftd2xx.dll");
#else
    static const d2xx::Library library{{}, "FTDI's D2XX library (ftd2xx.dll) was not found: it comes with FTDI's "
                                           "driver for the adapter (error 126)"};
#endif
    return library;
}

// COM5, its chip holding the same codes either way.
struct Tool {
    explicit Tool(bool fast, D2xxFtdiDriver::LibrarySource library = &fake_d2xx_library)
        : fast(fast), library(std::move(library))
    {
        SimulatedChip &chip = fast ? FakeFtdiAdapter::reset().chip : board.chip();
        for (int i = 0; i < 24; ++i)
            chip.set_register_word(i, quint16(i * 43 + 7));
    }
    int run(const QString &commandLine)
    {
        return runner.run(QProcess::splitCommand(QStringLiteral("zrx50346-cli --port COM5 ") + commandLine));
    }
    QStringList wire() const
    {
        return decode_transactions(fast ? FakeFtdiAdapter::get().line_trace() : recorder->trace());
    }

    bool fast;
    D2xxFtdiDriver::LibrarySource library;
    SimulatedBoard board;
    RecordingSerialControl *recorder = nullptr;
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    CliRunner runner{outStream, errStream,
                     [this](const PortChoice &) -> std::unique_ptr<SerialControl> {
                         auto control = std::make_unique<RecordingSerialControl>();
                         control->forward_to(&board);
                         recorder = control.get();
                         if (fast)
                             return std::make_unique<FastModeSerialControl>(std::move(control),
                                                                            make_fake_d2xx_control(library));
                         return control;
                     },
                     [] { return QList<PortListing>{}; }};
};

} // namespace

class TestCliD2xxFastMode : public QObject {
    Q_OBJECT
private slots:
    void same_traffic_data();
    void same_traffic();
    void lost_adapter_data();
    void lost_adapter();
    void refused_with_its_reason_data();
    void refused_with_its_reason();
    void ports_lists_the_adapter();

private:
    QTemporaryDir m_dir;
};

void TestCliD2xxFastMode::same_traffic_data()
{
    QFile file(m_dir.filePath(QStringLiteral("set.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("10\n" + QByteArray("300\n").repeated(24));
    const QString set = file.fileName();
    QTest::addColumn<QString>("commandLine");
    // Writes, reads, the reset, OTP frames and step markers on the UART.
    QTest::newRow("program-otp FILE") << QStringLiteral("program-otp --yes ") + set;
    QTest::newRow("batch with markers") << QStringLiteral("batch --delay 0 --cycles 2 ") + set;
}

void TestCliD2xxFastMode::same_traffic()
{
    QFETCH(QString, commandLine);
    Tool plain(false), fast(true);
    QCOMPARE(plain.run(commandLine), 0);
    QCOMPARE(fast.run(commandLine + QStringLiteral(" --fast")), 0);
    QVERIFY(!plain.wire().isEmpty());
    QCOMPARE(fast.wire(), plain.wire());
    QCOMPARE(fast.out, plain.out);
    QCOMPARE(fast.err, QString());
    // Every state at the chip rate libftdi gives it too (3000 scaled by
    // four: 5.21 us on this FT232R), given back as a UART, closed.
    const FakeFtdiAdapter &adapter = FakeFtdiAdapter::get();
    for (const FakeFtdiAdapter::Event &event : adapter.events)
        QVERIFY(event.kind != FakeFtdiAdapter::Event::Kind::State || event.chipBaud == 12000);
    QVERIFY(!adapter.usbOpen && adapter.driverGivenBack && !adapter.bitBang);
}

void TestCliD2xxFastMode::lost_adapter_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::newRow("pulled out") << Setup([](FakeFtdiAdapter &a) { a.writesBeforeLoss = 120; });
    // Silent before the first window's read is answered: the 66 writes of its
    // 4096 states and the credit past it are out.
    QTest::newRow("silent") << Setup([](FakeFtdiAdapter &a) { a.writesBeforeMute = 40; });
}

// Pulled out, or no longer sending samples, in the middle of the read-back:
// a lost port, and the wire up to there the per-request read-back's own (the
// transaction in flight stops where the states stopped, as a real adapter's
// would).
void TestCliD2xxFastMode::lost_adapter()
{
    QFETCH(Setup, setup);
    Tool plain(false), fast(true);
    QCOMPARE(plain.run(QStringLiteral("read")), 0);
    setup(FakeFtdiAdapter::get());
    QCOMPARE(fast.run(QStringLiteral("read --fast")), 2);
    QCOMPARE(fast.err, QStringLiteral("zrx50346-cli: %1 was disconnected\n").arg(port_display_name(5)));
    const QStringList wire = fast.wire();
    QVERIFY(wire.size() > 10 && wire.size() < plain.wire().size());
    QCOMPARE(wire.mid(0, wire.size() - 1), plain.wire().mid(0, wire.size() - 1));
    QVERIFY(!FakeFtdiAdapter::get().usbOpen);
}

void TestCliD2xxFastMode::refused_with_its_reason_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("withLibrary");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no library") << Setup{} << false << QString::fromStdString(no_library().missing);
    QTest::newRow("another COM port") << Setup([](FakeFtdiAdapter &a) { a.comPort = 6; }) << true
                                      << "not an FTDI adapter (FTDI's driver lists no free adapter as COM5)";
    QTest::newRow("open refused") << Setup([](FakeFtdiAdapter &a) { a.refuseOpen = true; }) << true
                                  << "FTDI's driver would not open an adapter to ask for its COM port "
                                     "(FT_DEVICE_NOT_OPENED)";
    QTest::newRow("FT232BM") << Setup([](FakeFtdiAdapter &a) { a.chipType = int(FtdiChipType::BM); }) << true
                             << "the adapter's chip has no synchronous bit-bang mode";
    QTest::newRow("serial twice") << Setup([](FakeFtdiAdapter &a) { a.otherSerials = {a.serialNumber}; }) << true
                                  << "2 FTDI adapters have the serial number FT0FAKE1";
}

// The command runs the ordinary way and says why; the adapter is left as
// it was found.
void TestCliD2xxFastMode::refused_with_its_reason()
{
    QFETCH(Setup, setup);
    QFETCH(bool, withLibrary);
    QFETCH(QString, reason);
    Tool tool(true, withLibrary ? D2xxFtdiDriver::LibrarySource(&fake_d2xx_library) : &no_library);
    if (setup)
        setup(FakeFtdiAdapter::get());
    QVERIFY(!reason.isEmpty());
    QCOMPARE(tool.run(QStringLiteral("reset --fast")), 0);
    QCOMPARE(tool.err, QStringLiteral("fast mode off: %1\n").arg(reason));
    QCOMPARE(decode_transactions(tool.recorder->trace()).size(), 1);
    const FakeFtdiAdapter &adapter = FakeFtdiAdapter::get();
    QVERIFY(!adapter.usbOpen && !adapter.bitBang);
}

// Windows' list of ports gives no USB ids: the free port gets them from
// FTDI's driver, and with them its `fast` column; a port another program
// holds is not asked about.
void TestCliD2xxFastMode::ports_lists_the_adapter()
{
    FakeFtdiAdapter::reset();
    QList<PortListing> ports(2);
    ports[0].PortNumb = 5;
    ports[0].access = PortListing::Access::Free;
    ports[1].PortNumb = 6;
    ports[1].access = PortListing::Access::InUse;
    FakeFtdiAdapter::get().comPort = 6;
    add_usb_ids(ports, D2xxAdapterLocator(&fake_d2xx_library), windows_port_devices());
    QCOMPARE(ports[0].vendorId, QString());
    QVERIFY(!ports[0].fastMode && ports[1].vendorId.isEmpty());

    FakeFtdiAdapter::get().comPort = 5;
    add_usb_ids(ports, D2xxAdapterLocator(&fake_d2xx_library), windows_port_devices());
    QCOMPARE(QStringList({ports[0].vendorId, ports[0].productId, ports[0].serialNumber}),
             QStringList({"0403", "6001", "FT0FAKE1"}));
    QVERIFY(ports[0].fastMode && ports[1].vendorId.isEmpty());
    QVERIFY(!FakeFtdiAdapter::get().usbOpen);
}

QTEST_GUILESS_MAIN(TestCliD2xxFastMode)
#include "tst_cli_d2xx_fast_mode.moc"
