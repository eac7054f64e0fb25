// The FTDI backend on the fake libftdi: how long its states last on each chip
// family, what a read sample shows, that entering, leaving and the step
// marker move no line, and what it does where real adapters are unkind.
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/modem_line_bus.h"
#include "device/chip.h"
#include "fake_ftdi_adapter.h"
#include "fake_usb_adapter_locator.h"

#include <ftdi.h>

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace zrx;
using Kind = FakeFtdiAdapter::Event::Kind;
using Setup = std::function<void(FakeFtdiAdapter &)>;
Q_DECLARE_METATYPE(Setup)

namespace {

constexpr quint8 DtrRts = 0x14;

// COM5 (/dev/ttyUSB0) opened on the fake adapter as the test sets it up.
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

} // namespace

class TestFtdiBitBangControl : public QObject {
    Q_OBJECT
private slots:
    void states_and_pauses_last_long_enough();
    void state_time_and_credit_per_family_data();
    void state_time_and_credit_per_family();
    void no_line_moves_but_the_bus();
    void unkind_adapters_data();
    void unkind_adapters();
    void lost_in_a_read_back_data();
    void lost_in_a_read_back();
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

// Each USB transfer costs 1 ms. A 1 ms pause takes as many states as the
// family's state time needs, or the adapter's own where that is shorter;
// 50 ms of states keep the chip's read buffer full and never overfull.
void TestFtdiBitBangControl::state_time_and_credit_per_family_data()
{
    QTest::addColumn<int>("chipType");
    QTest::addColumn<int>("statesPerBaud");
    QTest::addColumn<int>("pauseStates");
    QTest::addColumn<int>("readBuffer");
    QTest::newRow("FT232R, 5.21 us") << int(TYPE_R) << 0 << 193 << 128;
    QTest::newRow("FT232R clocked slower: the family's") << int(TYPE_R) << 8 << 193 << 128;
    QTest::newRow("FT232H, 20.8 us") << int(TYPE_232H) << 0 << 49 << 1024;
    QTest::newRow("FT232H clocked faster: its own 10.4 us") << int(TYPE_232H) << 8 << 97 << 1024;
    QTest::newRow("FT4232H") << int(TYPE_4232H) << 0 << 49 << 2048;
    QTest::newRow("FT-X") << int(TYPE_230X) << 0 << 193 << 512;
}

void TestFtdiBitBangControl::state_time_and_credit_per_family()
{
    QFETCH(int, chipType);
    QFETCH(int, statesPerBaud);
    QFETCH(int, pauseStates);
    QFETCH(int, readBuffer);
    Rig rig([=](FakeFtdiAdapter &a) {
        a.chipType = chipType, a.statesPerBaud = statesPerBaud, a.transferNanoseconds = 1'000'000;
    });
    QVERIFY2(rig.port->is_open(), qPrintable(rig.port->error_text()));
    rig.adapter.events.clear();
    rig.port->hold_lines(std::chrono::milliseconds(1));
    rig.port->flush_lines();
    QCOMPARE(states_of(rig.adapter).size(), pauseStates);
    // Longer than a read window and the largest credit (4096 + 2048 states):
    // the next window's first states wait in the FIFO for its read.
    rig.adapter.mostInFlight = 0;
    rig.port->hold_lines(std::chrono::milliseconds(200));
    rig.port->flush_lines();
    QVERIFY(rig.port->is_open());
    QCOMPARE(rig.adapter.mostInFlight, readBuffer);
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

// Where real adapters differ from libftdi's promise: the port opens only
// where every state lasts 5 us, the rate request reaches no other port, the
// samples stay in step however they come back, and no adapter is guessed.
void TestFtdiBitBangControl::unkind_adapters_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("refusal");
    const auto chip = [](int type, int port, int statesPerBaud) {
        return Setup([=](FakeFtdiAdapter &a) { a.chipType = type, a.interfaceNumber = port, a.statesPerBaud = statesPerBaud; });
    };
    const auto unlocated = [](QString serial, QString other) {
        return Setup([=](FakeFtdiAdapter &a) { a.busNumber = 0, a.serialNumber = serial, a.otherSerials = {other}; });
    };
    QTest::newRow("FT232H, slower states") << chip(6, 0, 0) << QString();
    QTest::newRow("FT2232C port B")
        << chip(2, 1, 0) << QStringLiteral("on the second port of an FT2232C/D libftdi sets the first port's bit rate");
    QTest::newRow("FT-X, 1.3 us states")
        << chip(7, 0, 64) << QStringLiteral("the adapter's line states last 1.30 us, shorter than the 5 us the bus needs");
    QTest::newRow("reads in pieces") << Setup([](FakeFtdiAdapter &a) { a.readPiece = 5, a.emptyReadsBetween = 3; })
                                     << QString();
    QTest::newRow("told apart by serial") << unlocated("A", "B") << QString();
    QTest::newRow("no serial, two adapters")
        << unlocated("", "B") << QStringLiteral("2 FTDI adapters are plugged in and nothing tells which one this port is");
    QTest::newRow("one serial twice") << unlocated("A", "A") << QStringLiteral("2 FTDI adapters have the serial number A");
}

void TestFtdiBitBangControl::unkind_adapters()
{
    QFETCH(Setup, setup);
    QFETCH(QString, refusal);
    Rig rig(setup);
    QCOMPARE(rig.port->error_text(), refusal);
    QCOMPARE(rig.adapter.otherPortBaud, 9600);
    if (!refusal.isEmpty()) {
        QVERIFY(!rig.port->is_open() && !rig.adapter.bitBang && !rig.adapter.usbOpen);
        return;
    }
    for (const quint16 word : {0x2A5, 0x15A}) {
        rig.adapter.chip.set_register_word(1, word);
        rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
        QCOMPARE(rig.bus.LastReadWord, word);
    }
    for (const auto &s : states_of(rig.adapter))
        QVERIFY(rig.adapter.state_period(s.chipBaud) >= std::chrono::microseconds(5));
}

// A read-back's 50 transactions go out as one group: a read of 4096 samples,
// its 64 writes and a credit of 128 states ahead of the next read, whose
// samples the FIFO holds meanwhile. A chip whose FIFO holds one sample less
// than that stalls the write; an adapter pulled, or silent, in the middle is
// a lost port once. Every write that reached the chip went out whole, and
// the words of a lost group read FFFF (no chip), never half a word.
void TestFtdiBitBangControl::lost_in_a_read_back_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("statesOut");
    QTest::addColumn<QString>("reason");
    const QString writeFailed = QStringLiteral("/dev/ttyUSB0: writing line states failed (usb bulk write failed)");
    QTest::newRow("FIFO as large as the credit") << Setup([](FakeFtdiAdapter &a) { a.sampleFifo = 128; }) << -1
                                                 << QString();
    QTest::newRow("FIFO one short of the credit")
        << Setup([](FakeFtdiAdapter &a) { a.sampleFifo = 127; }) << 4096 + 127 << writeFailed;
    QTest::newRow("pulled at write 60") << Setup([](FakeFtdiAdapter &a) { a.writesBeforeLoss = 59; }) << 59 * 64
                                        << writeFailed;
    QTest::newRow("silent from write 60") << Setup([](FakeFtdiAdapter &a) { a.writesBeforeMute = 59; }) << 4096 + 128
                                          << QStringLiteral("/dev/ttyUSB0: the adapter stopped answering");
}

void TestFtdiBitBangControl::lost_in_a_read_back()
{
    QFETCH(Setup, setup);
    QFETCH(int, statesOut);
    QFETCH(QString, reason);
    Rig rig;
    // The edges first and last: a word taken from the wrong transaction shows.
    const auto word = [](int i) { return i == 0 ? 0x3FF : i == ChannelCount - 1 ? 0 : i * 37; };
    for (int i = 0; i < ChannelCount; ++i)
        rig.adapter.chip.set_register_word(i, quint16(word(i)));
    QSignalSpy lost(rig.port.get(), &SerialControl::port_lost);
    rig.adapter.events.clear();
    rig.adapter.readTransfers = 0;
    setup(rig.adapter);
    const ChipRegisters registers = read_chip_registers(rig.bus, QStringLiteral("0"));
    if (reason.isEmpty()) {
        QCOMPARE(lost.size(), 0);
        for (int i = 0; i < ChannelCount; ++i)
            QCOMPARE(registers.ChannelWords[i], word(i));
        // One read a window, not one a transaction.
        const int states = int(states_of(rig.adapter).size());
        QCOMPARE(rig.adapter.readTransfers, (states + 4095) / 4096);
        return;
    }
    QCOMPARE(lost.size(), 1);
    QCOMPARE(lost.first().first(), reason);
    QCOMPARE(states_of(rig.adapter).size(), statesOut);
    QVERIFY(registers.EveryWordFFFF);
    QVERIFY(!rig.port->is_open() && !rig.adapter.usbOpen);
}

QTEST_GUILESS_MAIN(TestFtdiBitBangControl)
#include "tst_ftdi_bit_bang_control.moc"
