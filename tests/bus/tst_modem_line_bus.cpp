#include "bus/modem_line_bus.h"
#include "support/recording_serial_control.h"
#include "support/line_trace_decoder.h"
#include "support/simulated_bus.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace zrx;

namespace {

// The bus on the recorder alone: nothing answers, DSR says what it is told.
struct RecordedBus {
    RecordingSerialControl lines;
    ModemLineBus bus{lines};
};

using BusStep = std::function<void(ModemLineBus &)>;

} // namespace

class TestModemLineBus : public QObject {
    Q_OBJECT
private slots:
    void pointer_write_on_the_wire_data();
    void pointer_write_on_the_wire();
    void word_read_on_the_wire_data();
    void word_read_on_the_wire();
    void lines_released_after_data();
    void lines_released_after();
    void data_level_data();
    void data_level();
    void stand_alone_sequences();
    void read_from_board_data();
    void read_from_board();
    void address_strap_data();
    void address_strap();
    void port_lost_in_a_transaction_data();
    void port_lost_in_a_transaction();
};

void TestModemLineBus::pointer_write_on_the_wire_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("wire");
    QTest::newRow("E8 05") << "11101000" << "00000101" << "S E8 A 05 A P";
    QTest::newRow("EA 3F") << "11101010" << "00111111" << "S EA A 3F A P";
    QTest::newRow("short data is padded with 0") << "11101000" << "1" << "S E8 A 80 A P";
    QTest::newRow("only '1' is a one") << "11101000" << "12 1 111" << "S E8 A 97 A P";
    QTest::newRow("empty address") << "" << "00000101" << "S 00 A 05 A P";
    QTest::newRow("long string: first eight count") << "111010001" << "0000010111" << "S E8 A 05 A P";
}

void TestModemLineBus::pointer_write_on_the_wire()
{
    QFETCH(QString, address);
    QFETCH(QString, data);
    QFETCH(QString, wire);
    RecordedBus rig;
    rig.lines.set_dsr_answer(true); // a chip pulling low would not change a write

    rig.bus.bus_write_pointer(address, data);

    const LineTrace trace = rig.lines.trace();
    QCOMPARE(decode_line_trace(trace), wire);
    QCOMPARE(count_line_writes(trace), 118);
    QCOMPARE(count_dsr_reads(trace), 0);
}

void TestModemLineBus::word_read_on_the_wire_data()
{
    QTest::addColumn<bool>("dsrAsserted");
    QTest::addColumn<int>("bit");
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("wire");
    QTest::newRow("DSR always released") << false << 1 << 0xFFFF << "S E9 A FF A FF N P";
    QTest::newRow("DSR always asserted") << true << 0 << 0 << "S E9 A 00 A 00 N P";
}

void TestModemLineBus::word_read_on_the_wire()
{
    QFETCH(bool, dsrAsserted);
    QFETCH(int, bit);
    QFETCH(int, word);
    QFETCH(QString, wire);
    RecordedBus rig;
    rig.lines.set_dsr_answer(dsrAsserted);
    rig.bus.LastReadWord = 0x1234;

    rig.bus.read_register_word(QStringLiteral("0"));

    const LineTrace trace = rig.lines.trace();
    QCOMPARE(decode_line_trace(trace), wire);
    QCOMPARE(count_line_writes(trace), 172);
    QCOMPARE(count_dsr_reads(trace), 16);
    for (int i = 1; i <= 16; ++i)
        QCOMPARE(rig.bus.RxBits[i], bit);
    QCOMPARE(rig.bus.LastReadWord, word);
}

void TestModemLineBus::lines_released_after_data()
{
    QTest::addColumn<BusStep>("step");
    const QString a0 = QStringLiteral("0");
    QTest::newRow("pointer write") << BusStep([](ModemLineBus &b) { b.bus_write_pointer("11101000", "0"); });
    QTest::newRow("word read") << BusStep([](ModemLineBus &b) { b.bus_read_word("11101001"); });
    QTest::newRow("register read") << BusStep([a0](ModemLineBus &b) { b.read_register_5bit("00101", a0); });
    QTest::newRow("bus_stop from idle") << BusStep([](ModemLineBus &b) { b.bus_stop(); });
    QTest::newRow("bus_stop after a bit") << BusStep([](ModemLineBus &b) {
        b.bus_start();
        b.bus_write_bit(0);
        b.bus_stop();
    });
    QTest::newRow("bus_stop after a read bit") << BusStep([](ModemLineBus &b) {
        b.start_sequence();
        b.bus_read_bit(1);
        b.bus_stop();
    });
}

void TestModemLineBus::lines_released_after()
{
    QFETCH(BusStep, step);
    SimulatedBus rig;
    rig.chip().set_register_word(5, 0x0000); // a chip answering 0 pulls data low
    step(rig.bus);
    QVERIFY(lines_released_at_end(rig.recorder.trace()));
    QVERIFY(rig.chip().clock_high());
    QVERIFY(rig.chip().data_line_high());
}

void TestModemLineBus::data_level_data()
{
    QTest::addColumn<int>("bit");
    QTest::addColumn<bool>("rts");
    QTest::newRow("1 releases") << 1 << false;
    QTest::newRow("0 drives low") << 0 << true;
    QTest::newRow("2 drives low") << 2 << true;
    QTest::newRow("-1 drives low") << -1 << true;
}

void TestModemLineBus::data_level()
{
    QFETCH(int, bit);
    QFETCH(bool, rts);
    QCOMPARE(ModemLineBus::bus_data_level(bit), rts);

    // The clock goes first in each pair, and every data write carries the level.
    RecordedBus rig;
    rig.bus.bus_write_bit(bit);
    const LineTrace expected{LineOperation::dtr(true),  LineOperation::rts(rts), LineOperation::dtr(false),
                             LineOperation::rts(rts),   LineOperation::dtr(true), LineOperation::rts(rts)};
    QCOMPARE(rig.lines.trace(), expected);
}

void TestModemLineBus::stand_alone_sequences()
{
    RecordedBus rig;
    rig.bus.bus_start();
    QCOMPARE(rig.lines.take_trace(), LineTrace({LineOperation::rts(false), LineOperation::dtr(false),
                                                LineOperation::rts(true), LineOperation::dtr(false)}));
    rig.bus.bus_stop();
    QCOMPARE(rig.lines.take_trace(),
             LineTrace({LineOperation::rts(true), LineOperation::dtr(true), LineOperation::rts(true),
                        LineOperation::dtr(false), LineOperation::rts(false), LineOperation::dtr(false)}));

    // A byte from the stand-alone operations reads like one from the inline ones.
    rig.bus.bus_start();
    for (const int bit : {1, 1, 1, 0, 1, 0, 0, 0, 1})
        rig.bus.bus_write_bit(bit);
    rig.bus.bus_stop();
    QCOMPARE(decode_line_trace(rig.lines.trace()), QStringLiteral("S E8 A P"));
}

void TestModemLineBus::read_from_board_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("held");
    QTest::addColumn<int>("word");
    QTest::newRow("register 5 holds 0x2A5") << true << 5 << 0x2A5 << 0x2A5;
    QTest::newRow("register 0 holds 0") << true << 0 << 0 << 0;
    QTest::newRow("all sixteen bits") << true << 0x17 << 0x8123 << 0x8123;
    QTest::newRow("register 0x3F") << true << 0x3F << 2 << 2;
    QTest::newRow("no board") << false << 5 << 0x2A5 << 0xFFFF;
}

void TestModemLineBus::read_from_board()
{
    QFETCH(bool, present);
    QFETCH(int, reg);
    QFETCH(int, held);
    QFETCH(int, word);
    SimulatedBus rig;
    rig.chip().set_register_word(reg, quint16(held));
    rig.chip().set_present(present);

    if (reg > 0x1F)
        rig.bus.read_register_6bit(QString::number(reg, 2).rightJustified(6, '0'), QStringLiteral("0"));
    else
        rig.bus.read_register_5bit(QString::number(reg, 2).rightJustified(5, '0'), QStringLiteral("0"));

    QCOMPARE(rig.bus.LastReadWord, word);
    const auto hex = [](int byte) { return QString::number(byte, 16).toUpper().rightJustified(2, '0'); };
    QCOMPARE(decode_transactions(rig.recorder.trace()),
             QStringList({QStringLiteral("S E8 A %1 A P").arg(hex(reg)),
                          QStringLiteral("S E9 A %1 A %2 N P").arg(hex(word >> 8), hex(word & 0xFF))}));
    if (present)
        QCOMPARE(rig.chip().pointer(), reg);
}

void TestModemLineBus::address_strap_data()
{
    QTest::addColumn<QString>("A0Setting");
    QTest::addColumn<int>("strap");
    QTest::addColumn<int>("word");
    QTest::addColumn<QStringList>("wire");
    const QStringList a0One{"S EA A 05 A P", "S EB A 01 A 23 N P"};
    QTest::newRow("A0 1, chip strapped 1") << "1" << 1 << 0x123 << a0One;
    QTest::newRow("A0 1, chip strapped 0") << "1" << 0 << 0xFFFF
                                           << QStringList{"S EA A 05 A P", "S EB A FF A FF N P"};
    QTest::newRow("A0 0, chip strapped 1") << "0" << 1 << 0xFFFF
                                           << QStringList{"S E8 A 05 A P", "S E9 A FF A FF N P"};
}

void TestModemLineBus::address_strap()
{
    QFETCH(QString, A0Setting);
    QFETCH(int, strap);
    QFETCH(int, word);
    QFETCH(QStringList, wire);
    SimulatedBus rig;
    rig.chip().set_a0_strap(strap);
    rig.chip().set_register_word(5, 0x123);

    rig.bus.read_register_5bit(QStringLiteral("00101"), A0Setting);

    QCOMPARE(rig.bus.LastReadWord, word);
    QCOMPARE(decode_transactions(rig.recorder.trace()), wire);
    QCOMPARE(rig.chip().frames_accepted(), word == 0xFFFF ? 0 : 2);
}

void TestModemLineBus::port_lost_in_a_transaction_data()
{
    QTest::addColumn<int>("operations");
    QTest::newRow("in the pointer write") << 50;
    QTest::newRow("in the address of the read") << 118 + 20;
    QTest::newRow("in the first byte read") << 118 + 70;
    QTest::newRow("in the second byte read") << 118 + 150;
}

void TestModemLineBus::port_lost_in_a_transaction()
{
    QFETCH(int, operations);
    SimulatedBus rig;
    rig.chip().set_register_word(5, 0x0000);
    QSignalSpy lost(&rig.recorder, &SerialControl::port_lost);
    rig.board.lose_port_after(operations);

    rig.bus.read_register_5bit(QStringLiteral("00101"), QStringLiteral("0"));
    QCOMPARE(lost.size(), 1);
    QVERIFY(!rig.board.is_open());
    QVERIFY(!rig.board.error_text().isEmpty());
    // The master side still ran the whole transaction pair, well formed.
    QCOMPARE(decode_transactions(rig.take_trace()).size(), 2);

    for (int again = 0; again < 2; ++again) {
        rig.bus.read_register_5bit(QStringLiteral("00101"), QStringLiteral("0"));
        QCOMPARE(rig.bus.LastReadWord, 0xFFFF);
    }
    QCOMPARE(lost.size(), 1);

    // Plugged in again, the chip may still hold the data line low for the
    // byte it was sending when the lines went away; after a bus clear the
    // very first read is right again.
    rig.board.open_port(rig.board.configuration());
    rig.take_trace();
    rig.bus.bus_clear();
    QVERIFY(lines_released_at_end(rig.take_trace()));
    rig.chip().set_register_word(6, 0x2A5);
    rig.bus.read_register_5bit(QStringLiteral("00110"), QStringLiteral("0"));
    QCOMPARE(rig.bus.LastReadWord, 0x2A5);
    QCOMPARE(decode_transactions(rig.take_trace()),
             (QStringList{"S E8 A 06 A P", "S E9 A 02 A A5 N P"}));
}

QTEST_GUILESS_MAIN(TestModemLineBus)
#include "tst_modem_line_bus.moc"
