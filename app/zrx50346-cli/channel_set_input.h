#pragma once

#include "cli_failure.h"
#include "core/channel_table.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace zrx {

// A whole channel-set file: the upper reference and the codes of channels
// 1..24 in channel order.
struct ChannelSet {
    QString path;
    double reference = 0;
    std::array<double, ChannelCount> codes{};
};

// Reads all 25 values before anything goes to the chip, so that a broken file
// changes nothing, and takes the file only as it was surely meant:
// - every value a plain number read to its end ("0x3FF", "12abc", "1_000",
//   "512 513" are refused, not read by their leading digits as the window
//   reads them);
// - exactly 25 values: a 26th means a value was split ("1,000") and every
//   channel after it would move by one;
// - codes 0..1024: the window would send 5120 as 1023 and -7.9 as 0, which
//   is not what the file says; its full scale 1024 is taken, sent as 1023.
// A FIFO or pipe is read without blocking past a stop; a folder, a device or
// a socket is refused. The failure names the line and the value (exit 3), or
// the stop that came while the file was read (exit 5).
std::optional<ChannelSet> read_channel_set(const QString &path, const std::function<bool()> &stop_requested,
                                           CliFailure *failure);

} // namespace zrx
