#include "store/channel_set_file.h"

#include "core/conversions.h"
#include "core/number_text.h"
#include "store/atomic_file.h"
#include "store/channel_set_reader.h"
#include "store/path_kind.h"
#include "store/plain_number.h"

#include <QDir>

namespace zrx {
namespace {

// The channel model's full scale: the largest code a file may hold as it
// stands, though the chip's ten bits take it as 1023.
constexpr double FullScaleCode = 1024;

QByteArray value_line(double value)
{
    return number_text(value).trimmed().toLatin1() + "\r\n";
}

} // namespace

bool save_channel_set(const QString &path, const ChannelTable &table, QString *error)
{
    QByteArray text = value_line(table.VrefHigh);
    for (int c = FirstChannel; c <= LastChannel; ++c)
        text += value_line(table.ChannelCode[c]);

    // A full disk never leaves half a set behind.
    QString reason = not_a_regular_file_reason(path);
    if (reason.isEmpty() && write_file_atomically(path, text, &reason))
        return true;
    if (error)
        *error = QStringLiteral("Cannot save %1: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

ChannelSetLoadResult load_channel_set(const QString &path, ChannelTable &table, ChannelView &view,
                                      const std::function<void()> &write_current_channel)
{
    ChannelSetReader reader(path);
    reader.read_past_set();
    ChannelSetLoadResult result;
    const auto note_if_not_plain = [&reader, &result](double value) {
        if (!is_plain_number(reader.last_value_text()))
            result.notPlain.append(
                {reader.line_of_last_value(), quoted_file_value(reader.last_value_text().trimmed()), value});
    };

    if (const auto reference = reader.next()) {
        note_if_not_plain(*reference);
        table.VrefHigh = *reference;
        // Batch loads show it too: the box must never show a reference that
        // is no longer in use, or leaving it would bring the stale one back.
        view.set_vsup_text(number_text(table.VrefHigh));
        for (int c = FirstChannel; c <= LastChannel; ++c) {
            const auto code = reader.next();
            if (!code)
                break;
            table.ChannelCode[c] = *code;
            note_if_not_plain(*code);
            if (!(*code >= 0 && *code <= FullScaleCode))
                result.outOfRange.append({reader.line_of_last_value(), *code});
            table.CurrentChannel = c;
            write_current_channel();
            // Rows whose text changes are converted and written again here.
            refresh_channels(table, view);
        }
    }
    result.valuesRead = reader.values_read();
    if (result.valuesRead == ChannelSetReader::ValueCount)
        result.lineAfterSet = reader.line_after_set();
    reader.close();

    result.ok = result.valuesRead == ChannelSetReader::ValueCount;
    if (!result.ok)
        result.error = reader.error();
    // Even after a fault: the rows must show what the table and the chip now hold.
    if (result.valuesRead > 0)
        refresh_channels(table, view);
    return result;
}

} // namespace zrx
