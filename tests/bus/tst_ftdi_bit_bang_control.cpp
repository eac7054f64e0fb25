// The FTDI backend on the fake libftdi: how long its states last on each chip
// family, what a read sample shows, that entering, leaving and the step
// marker move no line, and what it does where real adapters are unkind.
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/modem_line_bus.h"
#include "device/chip.h"
#include "fake_ftdi_adapter.h"
#include "fake_usb_adapter_locator.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace zrx;
using Kind = FakeFtdiAdapter::Event::Kind;
using Setup = std::function<void(FakeFtdiAdapter &)>;
Q_DECLARE_METATYPE(Setup)

namespace {

constexpr quint8 DtrRts = 0x14;

// The adapter as a test sets it up before COM5 (/dev/ttyUSB0) opens.

struct Rig {
    explicit Rig(const Setup &setup = {}) : adapter(FakeFtdiAdapter::reset())
    {
        if (setup)
            setup(adapter);
        PortConfiguration com5;
        com5.CommPort = 5;
        com5.Settings = QStringLiteral("9600,N,8,1");
        port->open_port(com5);
    }

    FakeFtdiAdapter &adapter;
    std::unique_ptr<FtdiBitBangControl> port = make_fake_ftdi_control();
    ModemLineBus bus{*port};
};

QList<FakeFtdiAdapter::Event> states_of(const FakeFtdiAdapter &adapter)
{
    QList<FakeFtdiAdapter::Event> states = adapter.events;
    states.removeIf([](const auto &e) { return e.kind != Kind::State; });
    return states;
}

// Register 1 read back as the chip holds it: every sample where it belongs.
void check_read_back(Rig &rig)
{
    rig.adapter.chip.set_register_word(1, 0x2A5);
    rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
    QCOMPARE(rig.bus.LastReadWord, 0x2A5);
    rig.adapter.chip.set_register_word(1, 0x15A);
    rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
    QCOMPARE(rig.bus.LastReadWord, 0x15A);
}

} // namespace

class TestFtdiBitBangControl : public QObject {
    Q_OBJECT
private slots:
    void states_and_pauses_last_long_enough();
    void no_line_moves_but_the_bus();
    void chip_families_data();
    void chip_families();
    void chip_fifo_and_stall();
    void reads_in_pieces_stay_aligned();
    void adapter_told_apart_data();
    void adapter_told_apart();
};

// The general call is built from the stand-alone operations: 59 pauses, each
// after two line writes.
void TestFtdiBitBangControl::states_and_pauses_last_long_enough()
{
    Rig rig;
    QVERIFY(rig.port->is_open());
    rig.adapter.events.clear();
    general_call_reset(rig.bus);

    const QList<FakeFtdiAdapter::Event> states = states_of(rig.adapter);
    QVERIFY(!states.isEmpty());
    const std::chrono::nanoseconds period = rig.adapter.state_period(states.first().chipBaud);
    for (const auto &s : states)
        QVERIFY(rig.adapter.state_period(s.chipBaud) >= std::chrono::microseconds(5));

    constexpr int Pauses = 59;
    QCOMPARE(states.size() % Pauses, 0);
    const qsizetype held = states.size() / Pauses - 2;
    QVERIFY(held * period >= ModemLineBus::BusDelayHold);
    for (qsizetype group = 0; group < Pauses; ++group) {
        const qsizetype second = group * (held + 2) + 1;
        for (qsizetype i = 1; i <= held; ++i)
            QCOMPARE(states[second + i].pins, states[second].pins);
    }
}

// Opening, reads, the step marker and closing in a transaction: DTR and RTS
// change only in bit-bang states, and end released, the adapter back with
// its serial driver.
void TestFtdiBitBangControl::no_line_moves_but_the_bus()
{
    Rig rig;
    auto &port = *rig.port;
    rig.adapter.chip.set_register_word(1, 0x2A5);
    rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
    QCOMPARE(rig.bus.LastReadWord, 0x2A5);
    const QByteArray marker("\x01\x00\x00\x00", 4);
    QVERIFY(port.output(marker));
    rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
    QCOMPARE(rig.bus.LastReadWord, 0x2A5);
    // Closed in the middle of a transaction, both lines asserted.
    rig.bus.start_sequence();
    rig.bus.bit_cell(0);
    port.flush_lines();
    port.close_port();

    quint8 lines = DtrRts; // released before opening: the serial port was closed
    QList<QByteArray> sent;
    for (const auto &e : rig.adapter.events) {
        if (e.kind != Kind::State)
            QCOMPARE(e.pins & DtrRts, lines);
        if (e.kind == Kind::UartBytes) {
            sent << e.bytes;
            QCOMPARE(e.chipBaud, 9600);
        }
        lines = e.pins & DtrRts;
    }
    QCOMPARE(lines, DtrRts);
    QCOMPARE(sent, QList<QByteArray>{marker});
    QVERIFY(!rig.adapter.bitBang && !rig.adapter.usbOpen && rig.adapter.driverGivenBack);
}

// Per family: the port opens only where every state lasts 5 us, and the
// rate request reaches the port in use alone. On an FT2232C/D's second port
// it would reach the first; an FT-X whose clock ran four times faster than
// the FT232R's would clock 1.3 us states: both refused.
void TestFtdiBitBangControl::chip_families_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("refusal");
    const auto chip = [](int type, int port, int statesPerBaud) {
        return Setup([=](FakeFtdiAdapter &a) {
            a.chipType = type;
            a.interfaceNumber = port;
            a.statesPerBaud = statesPerBaud;
        });
    };
    QTest::newRow("FT232R") << chip(3, 0, 0) << QString();
    QTest::newRow("FT232H") << chip(6, 0, 0) << QString();
    QTest::newRow("FT2232C port A") << chip(2, 0, 0) << QString();
    QTest::newRow("FT2232C port B")
        << chip(2, 1, 0) << QStringLiteral("on the second port of an FT2232C/D libftdi sets the first port's bit rate");
    QTest::newRow("FT-X, fast clock")
        << chip(7, 0, 64) << QStringLiteral("the adapter's line states last 1.30 us, shorter than the 5 us the bus needs");
    QTest::newRow("FT232BM") << chip(1, 0, 0) << QStringLiteral("the adapter's chip has no synchronous bit-bang mode");
}

void TestFtdiBitBangControl::chip_families()
{
    QFETCH(Setup, setup);
    QFETCH(QString, refusal);
    Rig rig(setup);
    QCOMPARE(rig.port->error_text(), refusal);
    QCOMPARE(rig.port->is_open(), refusal.isEmpty());
    QCOMPARE(rig.adapter.otherPortBaud, 9600);
    QVERIFY(rig.port->is_open() ? rig.adapter.bitBang : !rig.adapter.bitBang && rig.adapter.driverGivenBack);
    if (!rig.port->is_open())
        return;
    check_read_back(rig);
    for (const auto &s : states_of(rig.adapter))
        QVERIFY(rig.adapter.state_period(s.chipBaud) >= std::chrono::microseconds(5));
}

// Whole read-backs within what the chip holds for the host; when it holds
// less, the write stalls and the port is lost at once, not retried.
void TestFtdiBitBangControl::chip_fifo_and_stall()
{
    Rig rig;
    check_read_back(rig);
    QSignalSpy lost(rig.port.get(), &SerialControl::port_lost);
    rig.adapter.sampleFifo = 16;
    rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.first().first().toString(),
             QStringLiteral("/dev/ttyUSB0: writing line states failed (usb bulk write failed)"));
    QVERIFY(!rig.port->is_open() && !rig.adapter.usbOpen);
    const qsizetype seen = rig.adapter.events.size();
    rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
    QCOMPARE(rig.adapter.events.size(), seen);
    QCOMPARE(lost.count(), 1);
}

void TestFtdiBitBangControl::reads_in_pieces_stay_aligned()
{
    Rig rig([](FakeFtdiAdapter &a) {
        a.readPiece = 5;
        a.emptyReadsBetween = 3;
    });
    QVERIFY(rig.port->is_open());
    check_read_back(rig);
}

// Without a bus location the serial number must name one adapter alone.
void TestFtdiBitBangControl::adapter_told_apart_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("one of two by serial") << QStringLiteral("FT0FAKE1") << QStringList{QStringLiteral("FT0OTHER")}
                                          << QString();
    QTest::newRow("no serial, two plugged")
        << QString() << QStringList{QStringLiteral("FT0OTHER")}
        << QStringLiteral("2 FTDI adapters are plugged in and nothing tells which one this port is");
    QTest::newRow("the same serial twice") << QStringLiteral("A") << QStringList{QStringLiteral("A")}
                                           << QStringLiteral("2 FTDI adapters have the serial number A");
}

void TestFtdiBitBangControl::adapter_told_apart()
{
    QFETCH(QString, serial);
    QFETCH(QStringList, others);
    QFETCH(QString, refusal);
    Rig rig([&](FakeFtdiAdapter &a) {
        a.busNumber = 0;
        a.serialNumber = serial;
        a.otherSerials = others;
    });
    QCOMPARE(rig.port->error_text(), refusal);
    QCOMPARE(rig.port->is_open(), refusal.isEmpty());
    QCOMPARE(rig.adapter.usbOpen, refusal.isEmpty());
}

QTEST_GUILESS_MAIN(TestFtdiBitBangControl)
#include "tst_ftdi_bit_bang_control.moc"
