#include "support/line_trace_decoder.h"

#include <QTest>

using namespace zrx;

namespace {

// Hand-written traces, one letter per operation: c/C clock low/high (DTR
// asserted/released), d/D data low/high (RTS asserted/released), 0/1 a DSR
// read showing the data line low/high, O an open, X a close, T a raw byte
// 0x01 on the transmit line. Blanks are ignored. The sequences are written
// with as few operations as a master could use, unlike the program's bus.
LineTrace trace_of(const QString &letters)
{
    LineTrace trace;
    for (const QChar letter : letters) {
        switch (letter.toLatin1()) {
        case 'c': trace << LineOperation::dtr(true); break;
        case 'C': trace << LineOperation::dtr(false); break;
        case 'd': trace << LineOperation::rts(true); break;
        case 'D': trace << LineOperation::rts(false); break;
        case '0': trace << LineOperation::dsr(true); break;
        case '1': trace << LineOperation::dsr(false); break;
        case 'O': trace << LineOperation{LineOperation::Kind::Open, true, 3, {}}; break;
        case 'X': trace << LineOperation{LineOperation::Kind::Close, false, 0, {}}; break;
        case 'T': trace << LineOperation{LineOperation::Kind::Output, false, 0, QByteArray("\x01\x00", 2)}; break;
        default: break;
        }
    }
    return trace;
}

const QString Start = QStringLiteral("d ");             // from idle: data falls, clock high
const QString Stop = QStringLiteral("c d C D ");        // from clock high after a ninth clock
const QString ChipAck = QStringLiteral("c D C ");       // released, not sampled
const QString MasterAck = QStringLiteral("c d C ");
const QString MasterNack = QStringLiteral("c D C ");

QString written_bits(quint8 byte, int count = 8)
{
    QString letters;
    for (int i = 7; i > 7 - count; --i)
        letters += (byte >> i) & 1 ? QStringLiteral("c D C ") : QStringLiteral("c d C ");
    return letters;
}

QString read_bits(quint8 byte)
{
    QString letters;
    for (int i = 7; i >= 0; --i)
        letters += (byte >> i) & 1 ? QStringLiteral("c D C 1 ") : QStringLiteral("c D C 0 ");
    return letters;
}

QString write_frame(std::initializer_list<quint8> bytes)
{
    QString letters = Start;
    for (const quint8 byte : bytes)
        letters += written_bits(byte) + ChipAck;
    return letters + Stop;
}

} // namespace

class TestLineTraceDecoder : public QObject {
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void redundant_writes_change_nothing();
    void split_transactions_keeps_every_operation();
    void counts();
};

void TestLineTraceDecoder::decode_data()
{
    QTest::addColumn<QString>("letters");
    QTest::addColumn<QString>("text");

    QTest::newRow("pointer write") << write_frame({0xE8, 0x05}) << "S E8 A 05 A P";
    QTest::newRow("word read")
        << Start + written_bits(0xE9) + ChipAck + read_bits(0x02) + MasterAck + read_bits(0xA5)
               + MasterNack + "c d C D"
        << "S E9 A 02 A A5 N P";
    QTest::newRow("general call") << write_frame({0x00, 0x06}) << "S 00 A 06 A P";
    QTest::newRow("chip's ack sampled released")
        << Start + written_bits(0xEA) + "c D C 1 " + Stop << "S EA N P";
    QTest::newRow("chip's ack sampled low") << Start + written_bits(0xEA) + "c D C 0 " + Stop << "S EA A P";
    QTest::newRow("repeated start")
        << Start + written_bits(0xE8) + ChipAck + "c D C d " + written_bits(0xE9) + ChipAck + Stop
        << "S E8 A Sr E9 A P";
    QTest::newRow("stop in the third bit") << Start + written_bits(0xE8, 3) + Stop
                                           << "S !STOP-IN-BYTE";
    QTest::newRow("stop where the ninth clock was due") << Start + written_bits(0xE8) + Stop
                                                        << "S E8 !STOP-IN-BYTE";
    QTest::newRow("start in the sixth bit") << Start + written_bits(0xFF, 5) + "c D C d " + Stop
                                            << "S !START-IN-BYTE P";
    QTest::newRow("byte cut short at the end") << Start + written_bits(0xE8, 4)
                                               << "S !BYTE-CUT-SHORT !NO-STOP !LINES-NOT-RELEASED";
    QTest::newRow("no stop") << Start + written_bits(0xE8) + ChipAck << "S E8 A !NO-STOP";
    QTest::newRow("clock left low") << write_frame({0xE8}) + "c" << "S E8 A P !LINES-NOT-RELEASED";
    QTest::newRow("data left low") << write_frame({0xE8}) + "c d" << "S E8 A P !LINES-NOT-RELEASED";
    QTest::newRow("clock pulses outside a frame")
        << QStringLiteral("c C c C") << "!CLOCK-OUTSIDE-FRAME !CLOCK-OUTSIDE-FRAME";
    QTest::newRow("read bit not sampled")
        << Start + written_bits(0xE9) + ChipAck + "c D C " + read_bits(0xFF).mid(8) + MasterNack + Stop
        << "S E9 A !READ-BIT-NOT-SAMPLED 7F N P";
    QTest::newRow("master drives a read bit")
        << Start + written_bits(0xE9) + ChipAck + "c d C 1 " + read_bits(0xFF).mid(8) + MasterNack + Stop
        << "S E9 A !MASTER-DROVE-READ-BIT FF N P";
    QTest::newRow("master drives the chip's ack")
        << Start + written_bits(0xE8) + "c d C " + Stop << "S E8 !MASTER-DROVE-ACK A P";
    QTest::newRow("sample while the clock is low") << write_frame({0xE8}) + "c 1"
                                                   << "S E8 A P !SAMPLE-CLOCK-LOW !LINES-NOT-RELEASED";
    QTest::newRow("closed in a frame") << Start + written_bits(0xE8) + "X" << "S E8 !CLOSED-IN-FRAME";
    QTest::newRow("open releases the lines") << QStringLiteral("c d O") << "";
    QTest::newRow("raw bytes") << QStringLiteral("T") << "TX[01 00]";
}

void TestLineTraceDecoder::decode()
{
    QFETCH(QString, letters);
    QFETCH(QString, text);
    QCOMPARE(decode_line_trace(trace_of(letters)), text);
}

// The program's bus rewrites lines with the value they already have; an
// analyser sees no event in that.
void TestLineTraceDecoder::redundant_writes_change_nothing()
{
    QString letters = write_frame({0xE8, 0x05});
    letters.replace(QLatin1Char('c'), QStringLiteral("cc")).replace(QLatin1Char('D'), QStringLiteral("DD"));
    QCOMPARE(decode_line_trace(trace_of("CD" + letters + "C")), QStringLiteral("S E8 A 05 A P"));
}

void TestLineTraceDecoder::split_transactions_keeps_every_operation()
{
    // Idle clock writes after a STOP stay with it; the next transaction
    // begins with its first data write.
    const QString first = write_frame({0xE8, 0x05}) + "C C";
    const QString second = "D C " + write_frame({0xE9});
    const LineTrace trace = trace_of(first + second + "T");

    const QList<LineTrace> pieces = split_transactions(trace);
    QCOMPARE(pieces.size(), 3);
    QCOMPARE(pieces[0], trace_of(first));
    QCOMPARE(pieces[1], trace_of(second));
    QCOMPARE(decode_line_trace(pieces[2]), QStringLiteral("TX[01 00]"));
    QCOMPARE(decode_transactions(trace),
             QStringList({"S E8 A 05 A P", "S E9 A P", "TX[01 00]"}));
}

void TestLineTraceDecoder::counts()
{
    const LineTrace trace = trace_of("c d C 1 0 D T O");
    QCOMPARE(count_line_writes(trace), 4);
    QCOMPARE(count_dsr_reads(trace), 2);
    QVERIFY(!lines_released_at_end(trace_of("c d C")));
    QVERIFY(lines_released_at_end(trace_of("c d C D")));
    QVERIFY(lines_released_at_end(trace_of("c d X")));
    QCOMPARE(line_trace_text(trace_of("c D 1 0")), QStringLiteral("DTR+ RTS- DSR:1 DSR:0"));
}

QTEST_GUILESS_MAIN(TestLineTraceDecoder)
#include "tst_line_trace_decoder.moc"
