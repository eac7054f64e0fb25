// The FTDI backend on the fake libftdi: how long its states last, what a read
// sample shows, and that entering, leaving and the step marker move no line.
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/modem_line_bus.h"
#include "device/chip.h"
#include "fake_ftdi_adapter.h"
#include "fake_usb_adapter_locator.h"

#include <QTest>

using namespace zrx;
using Kind = FakeFtdiAdapter::Event::Kind;

namespace {

constexpr quint8 DtrRts = 0x14;

struct Rig {
    Rig() : adapter(FakeFtdiAdapter::reset())
    {
        PortConfiguration com5;
        com5.CommPort = 5; // /dev/ttyUSB0
        com5.Settings = QStringLiteral("9600,N,8,1");
        port.open_port(com5);
    }

    FakeFtdiAdapter &adapter;
    FtdiBitBangControl port{std::make_unique<FakeUsbAdapterLocator>()};
    ModemLineBus bus{port};
};

} // namespace

class TestFtdiBitBangControl : public QObject {
    Q_OBJECT
private slots:
    void states_and_pauses_last_long_enough();
    void no_line_moves_but_the_bus();
};

// The general call is built from the stand-alone operations: 59 pauses, each
// after two line writes.
void TestFtdiBitBangControl::states_and_pauses_last_long_enough()
{
    Rig rig;
    QVERIFY(rig.port.is_open());
    rig.adapter.events.clear();
    general_call_reset(rig.bus);

    QList<FakeFtdiAdapter::Event> states = rig.adapter.events;
    states.removeIf([](const auto &e) { return e.kind != Kind::State; });
    QVERIFY(!states.isEmpty());
    const std::chrono::nanoseconds period = FakeFtdiAdapter::state_period(states.first().chipBaud);
    for (const auto &s : states)
        QVERIFY(FakeFtdiAdapter::state_period(s.chipBaud) >= std::chrono::microseconds(5));

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
    rig.adapter.chip.set_register_word(1, 0x2A5);
    rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
    QCOMPARE(rig.bus.LastReadWord, 0x2A5);
    const QByteArray marker("\x01\x00\x00\x00", 4);
    QVERIFY(rig.port.output(marker));
    rig.bus.read_register_5bit(QStringLiteral("00001"), QStringLiteral("0"));
    QCOMPARE(rig.bus.LastReadWord, 0x2A5);
    // Closed in the middle of a transaction, both lines asserted.
    rig.bus.start_sequence();
    rig.bus.bit_cell(0);
    rig.port.flush_lines();
    rig.port.close_port();

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

QTEST_GUILESS_MAIN(TestFtdiBitBangControl)
#include "tst_ftdi_bit_bang_control.moc"
