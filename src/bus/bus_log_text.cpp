#include "bus/bus_log_text.h"

#include "core/channel_table.h"

#include <QDateTime>

namespace zrx {
namespace {

using Kind = BusTransaction::Kind;

constexpr int LastChannelRegister = 0x17;
constexpr int MaxBankRegister = 0x3F;

QString hex(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString register_text(int reg)
{
    if (reg >= 0 && reg <= LastChannelRegister)
        return QStringLiteral("channel %1 (register %2h)").arg(channel_label(reg + 1), hex(reg, 2));
    if (reg == MaxBankRegister)
        return QStringLiteral("register %1h (Max Bank)").arg(hex(reg, 2));
    return QStringLiteral("register %1h").arg(hex(reg, 2));
}

// The ten code bits of a channel frame: the low two bits of the third byte
// over the fourth.
QString frame_meaning(const BusTransaction &t)
{
    const int code = ((t.bytes[2] & 0x03) << 8) | t.bytes[3];
    return register_text(t.bytes[1]) + QStringLiteral(", code %1h").arg(hex(code, 3));
}

QString bytes_text(const BusTransaction &t)
{
    QStringList bytes;
    for (int i = 0; i < qMin(t.count, BusTransaction::MaxBytes); ++i)
        bytes << hex(t.bytes[std::size_t(i)], 2);
    if (t.count > BusTransaction::MaxBytes)
        bytes << QStringLiteral("... (%1 bytes)").arg(t.count);
    return bytes.join(QLatin1Char(' '));
}

QString address_text(const BusTransaction &t)
{
    if (t.kind == Kind::StepMarker || t.count == 0)
        return {};
    return hex(t.bytes[0], 2) + QLatin1Char('h');
}

QString csv_field(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csv_line(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csv_field(field);
    // Line ends as the program's other text files have them.
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

} // namespace

QStringList bus_log_headers()
{
    return {QStringLiteral("Time"), QStringLiteral("Kind"), QStringLiteral("Address"), QStringLiteral("Bytes"),
            QStringLiteral("Meaning")};
}

QString transaction_kind_text(Kind kind)
{
    switch (kind) {
    case Kind::ChannelWrite:
        return QStringLiteral("channel write");
    case Kind::ProgrammingFrame:
        return QStringLiteral("programming frame");
    case Kind::PointerWrite:
        return QStringLiteral("pointer write");
    case Kind::WordRead:
        return QStringLiteral("word read");
    case Kind::GeneralCallReset:
        return QStringLiteral("general-call reset");
    case Kind::StepMarker:
        return QStringLiteral("step marker");
    case Kind::Other:
        break;
    }
    return QStringLiteral("other");
}

QString transaction_meaning(const BusTransaction &t)
{
    switch (t.kind) {
    case Kind::ChannelWrite:
        return frame_meaning(t);
    case Kind::ProgrammingFrame:
        return QStringLiteral("burn into OTP: ") + frame_meaning(t);
    case Kind::PointerWrite:
        return QStringLiteral("pointer to ") + register_text(t.bytes[1]);
    case Kind::WordRead: {
        const QString word = hex((t.bytes[1] << 8) | t.bytes[2], 4) + QLatin1Char('h');
        return t.pointer < 0 ? QStringLiteral("word ") + word : register_text(t.pointer) + QStringLiteral(": ") + word;
    }
    case Kind::GeneralCallReset:
        return QStringLiteral("reset of every chip on the bus");
    case Kind::StepMarker:
        return QStringLiteral("batch step done");
    case Kind::Other:
        break;
    }
    return QStringLiteral("not a transaction of this program");
}

QString bus_row_field(const BusLogRow &row, BusLogColumn column)
{
    const BusTransaction &t = row.transaction;
    switch (column) {
    case BusLogColumn::Time:
        return QDateTime::fromMSecsSinceEpoch(row.msecsSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
    case BusLogColumn::Kind:
        return transaction_kind_text(t.kind);
    case BusLogColumn::Address:
        return address_text(t);
    case BusLogColumn::Bytes:
        return bytes_text(t);
    case BusLogColumn::Meaning:
        break;
    }
    return transaction_meaning(t);
}

QStringList bus_row_fields(const BusLogRow &row)
{
    QStringList fields;
    for (int column = 0; column < BusLogColumnCount; ++column)
        fields << bus_row_field(row, BusLogColumn(column));
    return fields;
}

QString bus_rows_text(const BusLog &log, const QList<int> &rows)
{
    QString text;
    for (const int i : rows) {
        if (i >= 0 && i < log.size())
            text += bus_row_fields(log.at(i)).join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

QString bus_log_csv(const BusLog &log)
{
    QString text = csv_line(bus_log_headers());
    for (int i = 0; i < log.size(); ++i) {
        const BusLogRow &row = log.at(i);
        QStringList fields = bus_row_fields(row);
        fields[int(BusLogColumn::Time)] =
            QDateTime::fromMSecsSinceEpoch(row.msecsSinceEpoch).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        text += csv_line(fields);
    }
    return text;
}

} // namespace zrx
