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
};

// Reads all 25 values before anything goes to the chip, so that a short or
// broken file changes nothing. The failure carries the window's message.
std::optional<ChannelSet> read_channel_set(const QString &path, CliFailure *failure);

} // namespace zrx
