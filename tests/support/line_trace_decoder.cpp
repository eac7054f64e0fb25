#include "support/line_trace_decoder.h"

namespace zrx {
namespace {

using Kind = LineOperation::Kind;

// Error tokens: each marks one thing a correct bus master never does.
const QString StartInByte = QStringLiteral("!START-IN-BYTE");     // START where a bit was due
const QString StopInByte = QStringLiteral("!STOP-IN-BYTE");       // STOP where a bit was due
const QString ClockOutsideFrame = QStringLiteral("!CLOCK-OUTSIDE-FRAME");
const QString ReadBitNotSampled = QStringLiteral("!READ-BIT-NOT-SAMPLED");
const QString MasterDroveReadBit = QStringLiteral("!MASTER-DROVE-READ-BIT");
const QString MasterDroveAck = QStringLiteral("!MASTER-DROVE-ACK"); // the chip's ninth clock
const QString SampleClockLow = QStringLiteral("!SAMPLE-CLOCK-LOW");
const QString ClosedInFrame = QStringLiteral("!CLOSED-IN-FRAME");
const QString ByteCutShort = QStringLiteral("!BYTE-CUT-SHORT");
const QString NoStop = QStringLiteral("!NO-STOP");
const QString LinesNotReleased = QStringLiteral("!LINES-NOT-RELEASED");

struct Token {
    QString text;
    qsizetype operation; // index in the trace of the operation that produced it
    bool opensFrame;
    bool closesFrame;
};

class Decoder {
public:
    QList<Token> decode(const LineTrace &trace)
    {
        for (m_index = 0; m_index < trace.size(); ++m_index)
            feed(trace[m_index]);
        finish();
        return m_tokens;
    }

private:
    void feed(const LineOperation &op)
    {
        switch (op.kind) {
        case Kind::Dtr:
            clock_written(!op.asserted);
            break;
        case Kind::Rts:
            data_written(!op.asserted);
            break;
        case Kind::Dsr:
            dsr_read(op.asserted);
            break;
        case Kind::Open:
        case Kind::Close:
            commit_open_cell();
            if (m_inFrame)
                emit_token(ClosedInFrame, false, true);
            m_inFrame = false;
            m_clockHigh = m_dataHigh = true;
            m_cellOpen = false;
            break;
        case Kind::Output:
            emit_token(QStringLiteral("TX[%1]").arg(QString::fromLatin1(op.bytes.toHex(' ').toUpper())));
            break;
        }
    }

    void clock_written(bool high)
    {
        if (high == m_clockHigh)
            return;
        m_clockHigh = high;
        if (high) {
            // A clock cell opens; whether it carries a bit, a START or a STOP
            // is known only when the clock falls again.
            m_cellOpen = true;
            m_cellDataHigh = m_dataHigh;
            m_cellSampled = false;
        } else if (m_cellOpen) {
            m_cellOpen = false;
            clock_cell();
        }
    }

    void data_written(bool high)
    {
        if (high == m_dataHigh)
            return;
        m_dataHigh = high;
        if (!m_clockHigh)
            return;
        m_cellOpen = false;
        if (high)
            stop_seen();
        else
            start_seen();
    }

    void dsr_read(bool asserted)
    {
        if (!m_clockHigh) {
            emit_token(SampleClockLow);
            return;
        }
        if (m_cellOpen) {
            m_cellSampled = true;
            m_cellDsrAsserted = asserted;
        }
    }

    void start_seen()
    {
        if (!m_inFrame)
            emit_token(QStringLiteral("S"), true);
        else if (m_bitIndex != 0)
            emit_token(StartInByte, true);
        else
            emit_token(QStringLiteral("Sr"));
        m_inFrame = true;
        m_bitIndex = 0;
        m_byte = 0;
        m_bytesInFrame = 0;
        m_reading = false;
    }

    void stop_seen()
    {
        if (m_inFrame)
            emit_token(m_bitIndex != 0 ? StopInByte : QStringLiteral("P"), false, true);
        else
            emit_token(QStringLiteral("P"), false, true);
        m_inFrame = false;
    }

    // The clock has fallen after a high phase with no START or STOP in it.
    void clock_cell()
    {
        if (!m_inFrame) {
            emit_token(ClockOutsideFrame);
            return;
        }
        // The address byte is always the master's; its last bit says who
        // sends the bytes after it.
        const bool masterSends = m_bytesInFrame == 0 || !m_reading;
        if (m_bitIndex < 8) {
            int bit = m_cellDataHigh ? 1 : 0;
            if (!masterSends) {
                if (!m_cellDataHigh)
                    emit_token(MasterDroveReadBit);
                if (!m_cellSampled)
                    emit_token(ReadBitNotSampled);
                bit = m_cellSampled && !m_cellDsrAsserted ? 1 : 0;
            }
            m_byte = (m_byte << 1) | bit;
            if (++m_bitIndex == 8)
                emit_token(QStringLiteral("%1").arg(m_byte, 2, 16, QLatin1Char('0')).toUpper());
            return;
        }
        if (masterSends) {
            if (!m_cellDataHigh)
                emit_token(MasterDroveAck);
            emit_token(m_cellSampled && !m_cellDsrAsserted ? QStringLiteral("N") : QStringLiteral("A"));
        } else {
            emit_token(m_cellDataHigh ? QStringLiteral("N") : QStringLiteral("A"));
        }
        if (m_bytesInFrame == 0)
            m_reading = (m_byte & 1) != 0;
        ++m_bytesInFrame;
        m_bitIndex = 0;
        m_byte = 0;
    }

    // A bit counts once the clock has risen on it; a trace that stops (or a
    // port that closes) with the clock high still delivered that bit.
    void commit_open_cell()
    {
        if (m_cellOpen) {
            m_cellOpen = false;
            clock_cell();
        }
    }

    void finish()
    {
        commit_open_cell();
        if (m_inFrame) {
            if (m_bitIndex != 0)
                emit_token(ByteCutShort);
            emit_token(NoStop);
        }
        if (!m_clockHigh || !m_dataHigh)
            emit_token(LinesNotReleased);
    }

    void emit_token(const QString &text, bool opensFrame = false, bool closesFrame = false)
    {
        m_tokens.append({text, m_index, opensFrame, closesFrame});
    }

    QList<Token> m_tokens;
    qsizetype m_index = 0;
    bool m_clockHigh = true;
    bool m_dataHigh = true;
    bool m_cellOpen = false;
    bool m_cellDataHigh = true;
    bool m_cellSampled = false;
    bool m_cellDsrAsserted = false;
    bool m_inFrame = false;
    bool m_reading = false;
    int m_bitIndex = 0; // bits of the present byte so far; 8 = its ninth clock is due
    int m_byte = 0;
    int m_bytesInFrame = 0;
};

} // namespace

QString decode_line_trace(const LineTrace &trace)
{
    QStringList texts;
    for (const Token &token : Decoder().decode(trace))
        texts << token.text;
    return texts.join(QLatin1Char(' '));
}

QStringList decode_transactions(const LineTrace &trace)
{
    QStringList transactions;
    bool open = false;
    for (const Token &token : Decoder().decode(trace)) {
        if (token.opensFrame || !open)
            transactions << token.text;
        else
            transactions.last() += QLatin1Char(' ') + token.text;
        open = (open || token.opensFrame) && !token.closesFrame;
    }
    return transactions;
}

QList<LineTrace> split_transactions(const LineTrace &trace)
{
    QList<qsizetype> ends;
    for (const Token &token : Decoder().decode(trace)) {
        if (!token.closesFrame)
            continue;
        qsizetype end = token.operation + 1;
        while (end < trace.size() && trace[end].kind == Kind::Dtr)
            ++end;
        ends << end;
    }
    ends << trace.size();
    QList<LineTrace> pieces;
    qsizetype begin = 0;
    for (const qsizetype end : ends) {
        if (end > begin)
            pieces << trace.mid(begin, end - begin);
        begin = std::max(begin, end);
    }
    return pieces;
}

int count_line_writes(const LineTrace &trace)
{
    return int(std::count_if(trace.cbegin(), trace.cend(), [](const LineOperation &op) {
        return op.kind == Kind::Dtr || op.kind == Kind::Rts;
    }));
}

int count_dsr_reads(const LineTrace &trace)
{
    return int(std::count_if(trace.cbegin(), trace.cend(),
                             [](const LineOperation &op) { return op.kind == Kind::Dsr; }));
}

bool lines_released_at_end(const LineTrace &trace)
{
    bool dtr = false;
    bool rts = false;
    for (const LineOperation &op : trace) {
        if (op.kind == Kind::Dtr)
            dtr = op.asserted;
        else if (op.kind == Kind::Rts)
            rts = op.asserted;
        else if (op.kind == Kind::Open || op.kind == Kind::Close)
            dtr = rts = false;
    }
    return !dtr && !rts;
}

QString line_trace_text(const LineTrace &trace)
{
    QStringList parts;
    for (const LineOperation &op : trace) {
        const QChar sign = op.asserted ? QLatin1Char('+') : QLatin1Char('-');
        switch (op.kind) {
        case Kind::Dtr:
            parts << QStringLiteral("DTR") + sign;
            break;
        case Kind::Rts:
            parts << QStringLiteral("RTS") + sign;
            break;
        case Kind::Dsr:
            parts << (op.asserted ? QStringLiteral("DSR:0") : QStringLiteral("DSR:1"));
            break;
        case Kind::Open:
            parts << QStringLiteral("OPEN(COM%1)%2").arg(op.port).arg(sign);
            break;
        case Kind::Close:
            parts << QStringLiteral("CLOSE");
            break;
        case Kind::Output:
            parts << QStringLiteral("TX[%1]").arg(QString::fromLatin1(op.bytes.toHex(' ').toUpper()));
            break;
        }
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace zrx
