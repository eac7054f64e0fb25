#include "store/channel_set_file.h"

#include "core/conversions.h"
#include "core/number_text.h"
#include "store/channel_set_reader.h"

#include <QDir>
#include <QSaveFile>

namespace zrx {
namespace {

QByteArray value_line(double value)
{
    return number_text(value).trimmed().toLatin1() + "\r\n";
}

// A write that stops short (a file-size limit, a full disk) is asked to go on,
// so that the system names its reason instead of the text being cut silently.
bool write_all(QSaveFile &file, const QByteArray &text)
{
    for (qint64 done = 0; done < text.size();) {
        const qint64 written = file.write(text.constData() + done, text.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

bool save_channel_set(const QString &path, const ChannelTable &table, QString *error)
{
    QByteArray text = value_line(table.VrefHigh);
    for (int c = FirstChannel; c <= LastChannel; ++c)
        text += value_line(table.ChannelCode[c]);

    // The new text goes to a file of its own and replaces the old file only
    // once it is complete, so a full disk never leaves half a set behind.
    // Unbuffered, because a buffered write that fails part-way is dropped
    // without an error and the short file would still replace the old one.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && write_all(file, text) && file.commit())
        return true;
    if (error) {
        *error = QStringLiteral("Cannot save %1: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
    }
    // Leaving without commit() throws the new text away.
    return false;
}

ChannelSetLoadResult load_channel_set(const QString &path, ChannelTable &table, ChannelView &view,
                                      const std::function<void()> &write_current_channel)
{
    ChannelSetReader reader(path);
    ChannelSetLoadResult result;

    if (const auto reference = reader.next()) {
        table.VrefHigh = *reference;
        // Batch loads show it too: the box must never show a reference that
        // is no longer in use, or leaving it would bring the stale one back.
        view.set_vsup_text(number_text(table.VrefHigh));
        for (int c = FirstChannel; c <= LastChannel; ++c) {
            const auto code = reader.next();
            if (!code)
                break;
            table.ChannelCode[c] = *code;
            table.CurrentChannel = c;
            write_current_channel();
            // Rows whose text changes are converted and written again here.
            refresh_channels(table, view);
        }
    }
    reader.close();

    result.valuesRead = reader.values_read();
    result.ok = result.valuesRead == ChannelSetReader::ValueCount;
    if (!result.ok)
        result.error = reader.error();
    // Even after a fault: the rows must show what the table and the chip now hold.
    if (result.valuesRead > 0)
        refresh_channels(table, view);
    return result;
}

} // namespace zrx
