#include "channel_set_input.h"

#include "store/channel_set_reader.h"

#include <QDir>

namespace zrx {
namespace {

// The channel model's full scale: a window saves it for a voltage at Vsup.
constexpr double FullScaleCode = 1024;

bool is_channel_code(double value)
{
    return value >= 0 && value <= FullScaleCode;
}

} // namespace

std::optional<ChannelSet> read_channel_set(const QString &path, CliFailure *failure)
{
    ChannelSetReader reader(path);
    reader.read_past_set();
    ChannelSet set;
    set.path = path;
    std::array<double, ChannelSetReader::ValueCount> values{};
    for (double &value : values) {
        const std::optional<double> next = reader.next();
        if (!next) {
            *failure = {ExitCode::File, reader.error()};
            return std::nullopt;
        }
        value = *next;
        const bool isCode = reader.values_read() > 1;
        if (isCode && !is_channel_code(value)) {
            *failure = {ExitCode::File, QStringLiteral("Line %1 of %2 holds the code %3: channel codes are 0..1023")
                                            .arg(reader.line_of_last_value())
                                            .arg(QDir::toNativeSeparators(path))
                                            .arg(value)};
            return std::nullopt;
        }
    }
    set.valuesIgnored = reader.values_after_set();
    set.reference = values[0];
    std::copy(values.begin() + 1, values.end(), set.codes.begin());
    return set;
}

} // namespace zrx
