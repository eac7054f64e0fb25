#include "bus/modem_line_bus.h"
#include "sim/simulated_board.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace zrx;

namespace {

// An open board with the program's bus on it.
struct Rig {
    Rig()
    {
        PortConfiguration configuration;
        configuration.CommPort = 4;
        board.open_port(configuration);
    }
    SimulatedChip &chip() { return board.chip(); }

    // One write transaction of arbitrary bytes, built from the bus's own
    // inline sequences.
    void send(const QList<int> &bytes)
    {
        bus.start_sequence();
        for (const int byte : bytes) {
            for (int i = 7; i >= 0; --i)
                bus.bit_cell((byte >> i) & 1);
            bus.bus_ack_clock();
        }
        bus.stop_sequence();
    }

    int read(int reg)
    {
        bus.bus_write_pointer(QStringLiteral("11101000"), QString::number(reg, 2).rightJustified(8, '0'));
        bus.read_register_word(QStringLiteral("0"));
        return bus.LastReadWord;
    }

    SimulatedBoard board;
    ModemLineBus bus{board};
};

PortConfiguration port(int number)
{
    PortConfiguration configuration;
    configuration.CommPort = number;
    return configuration;
}

} // namespace

class TestSimulatedBoard : public QObject {
    Q_OBJECT
private slots:
    void opening_data();
    void opening();
    void closed_port_does_nothing();
    void write_frames_data();
    void write_frames();
    void otp_banks();
    void otp_runs_out_of_banks();
    void general_call_reset_without_banks();
    void frames_accepted();
    void port_lost_once();
    void random_lines_never_break_it();
};

void TestSimulatedBoard::opening_data()
{
    QTest::addColumn<QList<int>>("existing"); // empty: every port exists
    QTest::addColumn<QList<int>>("held");
    QTest::addColumn<int>("number");
    QTest::addColumn<OpenOutcome>("outcome");
    QTest::newRow("any port by default") << QList<int>{} << QList<int>{} << 16 << OpenOutcome::Opened;
    QTest::newRow("listed port") << QList<int>{1, 3} << QList<int>{} << 3 << OpenOutcome::Opened;
    QTest::newRow("unlisted port") << QList<int>{1, 3} << QList<int>{} << 2 << OpenOutcome::Failed;
    QTest::newRow("held port") << QList<int>{1, 3} << QList<int>{3} << 3 << OpenOutcome::HeldElsewhere;
}

void TestSimulatedBoard::opening()
{
    QFETCH(QList<int>, existing);
    QFETCH(QList<int>, held);
    QFETCH(int, number);
    QFETCH(OpenOutcome, outcome);
    SimulatedBoard board;
    if (!existing.isEmpty())
        board.set_existing_ports(QSet<int>(existing.begin(), existing.end()));
    board.set_held_ports(QSet<int>(held.begin(), held.end()));

    QCOMPARE(board.open_port(port(number)), outcome);
    QCOMPARE(board.is_open(), outcome == OpenOutcome::Opened);
    QCOMPARE(board.port_number(), number);
    QCOMPARE(board.error_text().isEmpty(), outcome == OpenOutcome::Opened);
    if (outcome != OpenOutcome::Opened)
        QVERIFY2(board.error_text().contains(QStringLiteral("COM%1").arg(number)), qPrintable(board.error_text()));
}

void TestSimulatedBoard::closed_port_does_nothing()
{
    Rig rig;
    rig.chip().set_register_word(5, 0);
    rig.board.set_dtr(true);
    rig.board.set_rts(true);
    rig.board.close_port();
    QVERIFY(rig.chip().clock_high());
    QVERIFY(rig.chip().data_line_high());

    rig.board.set_dtr(true);
    QVERIFY(rig.chip().clock_high());
    QCOMPARE(rig.read(5), 0xFFFF);
    rig.board.output("\x01");
    rig.board.set_timeouts({1, 2, 3, 4, 5});
    QVERIFY(rig.board.transmitted().isEmpty());
    QCOMPARE(rig.board.timeouts(), PortTimeouts{});

    rig.board.open_port(port(4));
    rig.board.output("\x01");
    QCOMPARE(rig.board.transmitted(), QByteArray("\x01"));
    QCOMPARE(rig.read(5), 0);
}

void TestSimulatedBoard::write_frames_data()
{
    QTest::addColumn<QList<int>>("bytes");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("pointer");
    QTest::newRow("channel write") << QList<int>{0xE8, 0x05, 0x82, 0x34} << 5 << 0x234 << 5;
    QTest::newRow("last channel") << QList<int>{0xE8, 0x17, 0x83, 0xFF} << 0x17 << 0x3FF << 0x17;
    QTest::newRow("only bits 9..8 of byte 3") << QList<int>{0xE8, 0x05, 0x9E, 0x34} << 5 << 0x234 << 5;
    QTest::newRow("past the channels") << QList<int>{0xE8, 0x18, 0x82, 0x34} << 0x18 << 0 << 0x18;
    QTest::newRow("mode 110 ignored") << QList<int>{0xE8, 0x05, 0xC2, 0x34} << 5 << 0 << 5;
    QTest::newRow("three bytes") << QList<int>{0xE8, 0x05, 0x82} << 5 << 0 << 5;
    QTest::newRow("pointer only") << QList<int>{0xE8, 0x3F} << 0x3F << 0 << 0x3F;
    QTest::newRow("fifth byte ignored") << QList<int>{0xE8, 0x05, 0x82, 0x34, 0x55} << 5 << 0x234 << 5;
    QTest::newRow("other address") << QList<int>{0xEA, 0x05, 0x82, 0x34} << 5 << 0 << 0;
}

void TestSimulatedBoard::write_frames()
{
    QFETCH(QList<int>, bytes);
    QFETCH(int, reg);
    QFETCH(int, word);
    QFETCH(int, pointer);
    Rig rig;
    rig.send(bytes);
    QCOMPARE(rig.chip().register_word(reg), word);
    QCOMPARE(rig.chip().pointer(), pointer);
    QCOMPARE(rig.chip().banks_burned(), 0);
    QVERIFY(rig.chip().data_line_high());
}

void TestSimulatedBoard::otp_banks()
{
    Rig rig;
    rig.send({0xE8, 0x00, 0x81, 0x23}); // working register 0 = 0x123
    rig.send({0xE8, 0x00, 0x41, 0x55});
    rig.send({0xE8, 0x17, 0x43, 0xFF});
    // Burned, counted at once, but not in the working registers yet.
    QCOMPARE(rig.chip().banks_burned(), 1);
    QCOMPARE(rig.read(0x3F), 1);
    QCOMPARE(rig.read(0x00), 0x123);
    QCOMPARE(rig.chip().otp_banks()[0][0x00], 0x155);
    QCOMPARE(rig.chip().otp_banks()[0][0x17], 0x3FF);

    // A fuse once blown stays blown: a second frame ORs its bits in.
    rig.send({0xE8, 0x01, 0x41, 0x00});
    rig.send({0xE8, 0x01, 0x40, 0x0F});
    QCOMPARE(rig.chip().otp_banks()[0][0x01], 0x10F);

    rig.send({0x00, 0x06});
    QCOMPARE(rig.read(0x00), 0x155);
    QCOMPARE(rig.read(0x01), 0x10F);
    QCOMPARE(rig.read(0x17), 0x3FF);
    QCOMPARE(rig.read(0x02), 0);

    // After a reset, programming starts a new bank; a reset loads the last one.
    rig.send({0xE8, 0x02, 0x40, 0x07});
    QCOMPARE(rig.read(0x3F), 2);
    rig.send({0x00, 0x06});
    QCOMPARE(rig.read(0x02), 7);
    QCOMPARE(rig.read(0x00), 0);
    QCOMPARE(rig.chip().otp_banks()[0][0x00], 0x155);
}

void TestSimulatedBoard::otp_runs_out_of_banks()
{
    Rig rig;
    for (int bank = 0; bank < SimulatedChip::OtpBankCount + 2; ++bank) {
        rig.send({0xE8, 0x00, 0x40, bank + 1});
        rig.send({0x00, 0x06});
    }
    QCOMPARE(rig.chip().banks_burned(), SimulatedChip::OtpBankCount);
    QCOMPARE(rig.read(0x3F), SimulatedChip::OtpBankCount);
    QCOMPARE(rig.read(0x00), SimulatedChip::OtpBankCount);
}

void TestSimulatedBoard::general_call_reset_without_banks()
{
    Rig rig;
    rig.send({0xE8, 0x05, 0x82, 0x34});
    rig.send({0x00, 0x07}); // not the reset command
    QCOMPARE(rig.chip().register_word(5), 0x234);
    rig.send({0x00, 0x06});
    QCOMPARE(rig.chip().register_word(5), 0);
    QCOMPARE(rig.chip().pointer(), 0);
}

void TestSimulatedBoard::frames_accepted()
{
    Rig rig;
    rig.send({0xE8, 0x05});
    rig.send({0xEA, 0x05});
    rig.send({0x00, 0x06});
    rig.bus.read_register_word(QStringLiteral("0"));
    rig.chip().set_present(false);
    rig.send({0xE8, 0x05});
    QCOMPARE(rig.chip().frames_accepted(), 3);
}

void TestSimulatedBoard::port_lost_once()
{
    Rig rig;
    QSignalSpy lost(&rig.board, &SerialControl::port_lost);
    rig.board.lose_port_after(3);
    rig.board.set_dtr(true);
    rig.board.set_rts(true);
    QVERIFY(rig.board.dsr());
    QCOMPARE(lost.size(), 0);

    QVERIFY(!rig.board.dsr()); // the fourth operation finds the port gone
    QCOMPARE(lost.size(), 1);
    QCOMPARE(lost.first().first().toString(), rig.board.error_text());
    QVERIFY(!rig.board.is_open());
    QVERIFY(rig.chip().clock_high());
    QVERIFY(rig.chip().data_line_high());

    rig.board.set_dtr(true);
    QVERIFY(rig.chip().clock_high());
    QVERIFY(!rig.board.dsr());
    QCOMPARE(lost.size(), 1);

    QCOMPARE(rig.board.open_port(port(4)), OpenOutcome::Opened);
    QVERIFY(rig.board.error_text().isEmpty());
    rig.board.set_dtr(true);
    QVERIFY(!rig.chip().clock_high());
    QCOMPARE(lost.size(), 1);
}

// Whatever the lines do, nothing breaks, and the chip comes back the way any
// two-wire slave does: clock it until it lets go of data, then START, STOP.
void TestSimulatedBoard::random_lines_never_break_it()
{
    Rig rig;
    rig.chip().set_register_word(0x11, 0x1A5);
    QRandomGenerator random(20240601);
    for (int round = 0; round < 20; ++round) {
        for (int step = 0; step < 5000; ++step) {
            switch (random.bounded(12)) {
            case 0: case 1: case 2: case 3: rig.board.set_dtr(random.bounded(2)); break;
            case 4: case 5: case 6: case 7: rig.board.set_rts(random.bounded(2)); break;
            case 8: case 9: rig.board.dsr(); break;
            case 10: rig.chip().set_a0_strap(random.bounded(2)); break;
            default:
                if (random.bounded(50) == 0)
                    rig.board.open_port(port(4));
                break;
            }
        }
        rig.board.open_port(port(4));
        rig.chip().set_a0_strap(0);
        for (int pulse = 0; pulse < 20 && !rig.chip().data_line_high(); ++pulse) {
            rig.board.set_dtr(true);
            rig.board.set_dtr(false);
        }
        rig.bus.start_sequence();
        rig.bus.stop_sequence();
        rig.chip().set_register_word(0x11, 0x1A5);
        QCOMPARE(rig.read(0x11), 0x1A5);
    }
}

QTEST_GUILESS_MAIN(TestSimulatedBoard)
#include "tst_simulated_board.moc"
