#include "device/chip.h"

#include "support/line_trace_decoder.h"
#include "support/simulated_bus.h"

#include <QTest>

#include <functional>
#include <utility>
#include <vector>

using namespace zrx;

namespace {

using Transaction = std::function<void(ModemLineBus &)>;

// Each kind of transaction the tool sends, as the chip at E8h takes it.
const QList<std::pair<const char *, Transaction>> &transactions()
{
    static const QList<std::pair<const char *, Transaction>> list{
        {"pointer write", [](ModemLineBus &b) { b.bus_write_pointer(QStringLiteral("11101000"), QStringLiteral("00000101")); }},
        {"word read", [](ModemLineBus &b) { b.read_register_word(QStringLiteral("0")); }},
        {"channel frame",
         [](ModemLineBus &b) {
             write_channel_frame(b, QStringLiteral("11111111"), QStringLiteral("00000011"), QStringLiteral("11101000"),
                                 QStringLiteral("00010111"));
         }},
        {"programming frame",
         [](ModemLineBus &b) {
             program_channel_frame(b, QStringLiteral("00000000"), QStringLiteral("00000000"), QStringLiteral("11101000"),
                                   QStringLiteral("00000000"));
         }},
        {"general call", [](ModemLineBus &b) { general_call_reset(b); }},
    };
    return list;
}

// A port that queues, as the fast port does: every DSR read is answered at
// the next flush (with what DSR showed when it was read).
class QueuedLines final : public ModemLines {
public:
    explicit QueuedLines(ModemLines &lines) : m_lines(lines) {}
    void set_dtr(bool asserted) override { m_lines.set_dtr(asserted); }
    void set_rts(bool asserted) override { m_lines.set_rts(asserted); }
    bool dsr() override
    {
        flush_lines();
        return m_lines.dsr();
    }
    void read_dsr_into(bool &answer) override { m_waiting.push_back({&answer, m_lines.dsr()}); }
    void flush_lines() override
    {
        ++flushes;
        for (const auto &[answer, asserted] : m_waiting)
            *answer = asserted;
        m_waiting.clear();
    }

    int flushes = 0;

private:
    ModemLines &m_lines;
    std::vector<std::pair<bool *, bool>> m_waiting;
};

// The line writes alone: what the chip sees of the master.
LineTrace writes_only(LineTrace trace)
{
    trace.removeIf([](const LineOperation &op) { return op.kind == LineOperation::Kind::Dsr; });
    return trace;
}

} // namespace

class TestBusAnswers : public QObject {
    Q_OBJECT
private slots:
    void checks_add_reads_only_data();
    void checks_add_reads_only();
    void missing_acknowledge_data();
    void missing_acknowledge();
    void answers_of_a_group();
};

void TestBusAnswers::checks_add_reads_only_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("wire");
    QTest::addColumn<int>("extraReads"); // one per written byte, one after the STOP
    const QStringList wires{"S E8 A 05 A P", "S E9 A 00 A 00 N P", "S E8 A 17 A 83 A FF A P", "S E8 A 00 A 40 A 00 A P",
                            "S 00 A 06 A P"};
    const QList<int> reads{3, 2, 5, 5, 3};
    for (int i = 0; i < transactions().size(); ++i)
        QTest::newRow(transactions()[i].first) << i << wires[i] << reads[i];
}

// With the checks the lines are written exactly as without them, and the
// chip's acknowledges decode as such; only DSR reads are added.
void TestBusAnswers::checks_add_reads_only()
{
    QFETCH(int, index);
    QFETCH(QString, wire);
    QFETCH(int, extraReads);
    SimulatedBus plain;
    transactions()[index].second(plain.bus);
    SimulatedBus checked;
    ModemLineBus bus(checked.recorder, ModemLineBus::AnswerChecks::On);
    transactions()[index].second(bus);

    const LineTrace before = plain.take_trace();
    const LineTrace after = checked.take_trace();
    QCOMPARE(writes_only(after), writes_only(before));
    QCOMPARE(decode_line_trace(after), wire);
    QCOMPARE(count_dsr_reads(after) - count_dsr_reads(before), extraReads);
    QCOMPARE(bus.answers().acknowledgedTransactions, 1);
    QCOMPARE(bus.answers().unacknowledgedAddress, -1);
    QVERIFY(!bus.answers().dataLineHeld);
}

void TestBusAnswers::missing_acknowledge_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("leaveAfter"); // line operations before the chip goes away
    QTest::addColumn<QString>("wire");
    QTest::addColumn<int>("address");
    // A frame's byte k has its acknowledge read after 57 + 55k operations,
    // the general call's after 56 + 55k: the chip leaves just before.
    QTest::newRow("frame, first byte") << 2 << 57 << "S E8 N 17 N 83 N FF N P" << 0xE8;
    QTest::newRow("frame, last byte only") << 2 << 222 << "S E8 A 17 A 83 A FF N P" << 0xE8;
    QTest::newRow("general call, first byte") << 4 << 56 << "S 00 N 06 N P" << 0x00;
    QTest::newRow("general call, last byte only") << 4 << 111 << "S 00 A 06 N P" << 0x00;
}

// Any written byte nobody acknowledged marks its transaction, the last as
// much as the first, and the address byte names it.
void TestBusAnswers::missing_acknowledge()
{
    QFETCH(int, index);
    QFETCH(int, leaveAfter);
    QFETCH(QString, wire);
    QFETCH(int, address);
    SimulatedBus rig;
    ModemLineBus bus(rig.recorder, ModemLineBus::AnswerChecks::On);
    transactions()[0].second(bus); // acknowledged: counted before the one that is not
    rig.take_trace();
    rig.recorder.act_after(leaveAfter, [&rig] { rig.chip().set_present(false); });

    transactions()[index].second(bus);
    transactions()[0].second(bus);

    QCOMPARE(decode_transactions(rig.take_trace()), (QStringList{wire, "S E8 N 05 N P"}));
    QCOMPARE(bus.answers().acknowledgedTransactions, 1);
    QCOMPARE(bus.answers().unacknowledgedAddress, address);
    QCOMPARE(bus.answers().unacknowledgedTransactions, 2);
    QVERIFY(!bus.answers().dataLineHeld);
}

// A group's transactions go out in one flush, and its words and answers
// still count transaction by transaction: nothing before the flush, the
// first unacknowledged one named by its address.
void TestBusAnswers::answers_of_a_group()
{
    SimulatedBus rig;
    QueuedLines queued(rig.recorder);
    ModemLineBus bus(queued, ModemLineBus::AnswerChecks::On);
    rig.chip().set_register_word(0, 0x3FF);
    rig.chip().set_register_word(ChannelCount - 1, 0);
    const ChipRegisters registers = read_chip_registers(bus, QStringLiteral("0"));
    QCOMPARE(queued.flushes, 1);
    QCOMPARE(registers.ChannelWords.front(), 0x3FF);
    QCOMPARE(registers.ChannelWords.back(), 0);
    QCOMPARE(bus.answers().acknowledgedTransactions, 50);

    bus.forget_answers();
    bus.begin_group();
    bus.bus_write_pointer(QStringLiteral("11101000"), QStringLiteral("00000101"));
    bus.bus_write_pointer(QStringLiteral("11101010"), QStringLiteral("00000101")); // nobody at EAh
    bus.bus_write_pointer(QStringLiteral("11101000"), QStringLiteral("00000101"));
    QCOMPARE(bus.answers().acknowledgedTransactions, 0);
    QVERIFY(bus.end_group().empty());
    QCOMPARE(queued.flushes, 2);
    QCOMPARE(bus.answers().acknowledgedTransactions, 1);
    QCOMPARE(bus.answers().unacknowledgedAddress, 0xEA);
    QCOMPARE(bus.answers().unacknowledgedTransactions, 1);
    QVERIFY(!bus.answers().dataLineHeld);

    // A group inside another flushes at its end and keeps its own words.
    bus.begin_group();
    bus.read_register_5bit(QStringLiteral("00000"), QStringLiteral("0"));
    bus.begin_group();
    bus.read_register_5bit(QStringLiteral("10111"), QStringLiteral("0"));
    QCOMPARE(bus.end_group(), std::vector<int>{0});
    QCOMPARE(queued.flushes, 3);
    bus.read_register_5bit(QStringLiteral("00000"), QStringLiteral("0"));
    QCOMPARE(bus.end_group(), (std::vector<int>{0x3FF, 0x3FF}));
    QCOMPARE(bus.LastReadWord, 0x3FF);
}

QTEST_GUILESS_MAIN(TestBusAnswers)
#include "tst_bus_answers.moc"
