#include "channel_set_input.h"

#include "pipe_input.h"

#include "store/channel_set_reader.h"
#include "store/path_kind.h"
#include "store/plain_number.h"

#include <QBuffer>
#include <QDir>

namespace zrx {
namespace {

// The channel model's full scale: a window saves it for a voltage at Vsup.
constexpr double FullScaleCode = 1024;
// More than any channel set can hold within the reader's own limits.
constexpr qsizetype LongestPipedSet = 256 * 1024;

bool is_channel_code(double value)
{
    return value >= 0 && value <= FullScaleCode;
}

CliFailure file_failure(const QString &message)
{
    return {ExitCode::File, message};
}

// What a value that is no plain number should have been.
QString plain_number_hint(const QByteArray &value)
{
    const QByteArray text = value.trimmed();
    if (text.size() > 2 && (text.startsWith("0x") || text.startsWith("0X")))
        return QStringLiteral("write %1 for a hexadecimal code").arg(quoted_file_value("&H" + text.mid(2)));
    return QStringLiteral("a value is a decimal number (512, 4.5) or &H and hexadecimal digits (&H3FF)");
}

// The values of the set, held by the reader; the failure when they are not
// the 25 plain numbers of a channel set.
std::optional<ChannelSet> read_values(ChannelSetReader &reader, const QString &path, CliFailure *failure)
{
    const QString name = QDir::toNativeSeparators(path);
    std::array<double, ChannelSetReader::ValueCount> values{};
    // The first line that held two values or more, for a file whose values
    // do not all share one line: "1,000" there split a number in two.
    int sharedLine = 0;
    int previousLine = 0;
    for (double &value : values) {
        const std::optional<double> next = reader.next();
        if (!next) {
            *failure = file_failure(reader.error());
            return std::nullopt;
        }
        value = *next;
        const int line = reader.line_of_last_value();
        if (line == previousLine && sharedLine == 0)
            sharedLine = line;
        previousLine = line;
        if (!is_plain_number(reader.last_value_text())) {
            *failure = file_failure(QStringLiteral("Value %1 on line %2 of %3 (%4) is not a number: %5")
                                        .arg(reader.values_read())
                                        .arg(line)
                                        .arg(name, quoted_file_value(reader.last_value_text().trimmed()),
                                             plain_number_hint(reader.last_value_text())));
            return std::nullopt;
        }
        const bool isCode = reader.values_read() > 1;
        if (isCode && !is_channel_code(value)) {
            *failure = file_failure(QStringLiteral("Line %1 of %2 holds the code %3: channel codes are 0..1024 "
                                                   "(1024, the full scale, goes out as 1023)")
                                        .arg(line)
                                        .arg(name)
                                        .arg(value));
            return std::nullopt;
        }
    }
    const bool oneLine = previousLine == sharedLine;
    if (const int extra = reader.line_after_set(); extra > 0) {
        QString message = QStringLiteral("%1 holds more than the 25 values of a channel set: a 26th begins on line %2")
                              .arg(name)
                              .arg(extra);
        if (sharedLine > 0 && !oneLine)
            message += QStringLiteral(" (line %1 holds more than one value: a comma ends a value)").arg(sharedLine);
        *failure = file_failure(message);
        return std::nullopt;
    }
    if (!reader.error().isEmpty()) {
        *failure = file_failure(reader.error());
        return std::nullopt;
    }
    ChannelSet set;
    set.path = path;
    set.reference = values[0];
    std::copy(values.begin() + 1, values.end(), set.codes.begin());
    return set;
}

} // namespace

std::optional<ChannelSet> read_channel_set(const QString &path, const std::function<bool()> &stop_requested,
                                           CliFailure *failure)
{
    const QString name = QDir::toNativeSeparators(path);
    const PathKind kind = path_kind(path);
    if (kind == PathKind::Directory || (kind == PathKind::Special && !is_pipe(path))) {
        *failure = file_failure(QStringLiteral("Cannot read %1: %2").arg(name, not_a_regular_file_reason(path)));
        return std::nullopt;
    }
    if (kind != PathKind::Special) {
        ChannelSetReader reader(path);
        reader.read_past_set();
        return read_values(reader, path, failure);
    }

    const PipeInput piped = read_pipe(path, LongestPipedSet, stop_requested);
    if (piped.stopped) {
        *failure = {ExitCode::Stopped, QStringLiteral("while %1 was read").arg(name)};
        return std::nullopt;
    }
    const CliFailure readFailure = file_failure(QStringLiteral("Cannot read %1: %2").arg(name, piped.error));
    if (!piped.error.isEmpty() && !piped.tooLong) {
        *failure = readFailure;
        return std::nullopt;
    }
    // What a too long pipe began with says best what is wrong with it:
    // `yes 0x3FF` is refused for its first value.
    QBuffer buffer;
    buffer.setData(piped.bytes);
    buffer.open(QIODevice::ReadOnly);
    ChannelSetReader reader(buffer, name);
    reader.read_past_set();
    std::optional<ChannelSet> set = read_values(reader, path, failure);
    if (set && piped.tooLong) {
        *failure = readFailure;
        return std::nullopt;
    }
    return set;
}

} // namespace zrx
