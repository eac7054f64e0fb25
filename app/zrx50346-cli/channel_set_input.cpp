#include "channel_set_input.h"

#include "store/channel_set_reader.h"

namespace zrx {

std::optional<ChannelSet> read_channel_set(const QString &path, CliFailure *failure)
{
    ChannelSetReader reader(path);
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
    }
    set.reference = values[0];
    std::copy(values.begin() + 1, values.end(), set.codes.begin());
    return set;
}

} // namespace zrx
