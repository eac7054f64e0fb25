#pragma once

#include "cli_failure.h"
#include "core/channel_table.h"

#include <QString>

#include <array>
#include <optional>

namespace zrx {

// A whole channel-set file: the upper reference and the codes of channels
// 1..24 in channel order.
struct ChannelSet {
    QString path;
    double reference = 0;
    std::array<double, ChannelCount> codes{};
    // Values after the 25th, which no loader uses.
    int valuesIgnored = 0;
};

// Reads all 25 values before anything goes to the chip, so that a short or
// broken file changes nothing. A code outside 0..1023 refuses the file: the
// window would send it saturated, 5120 as 1023 and -7.9 as 0, which is not
// what the file says. The window's full scale 1024 is taken (it goes out as
// 1023, as the window sends it). The failure carries the window's message,
// or names the line and the value.
std::optional<ChannelSet> read_channel_set(const QString &path, CliFailure *failure);

} // namespace zrx
