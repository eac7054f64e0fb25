#pragma once

#include "cli_failure.h"

#include <QString>

#include <optional>
#include <variant>

namespace zrx {

// The channel of a row label as the window shows it: "1".."22", "c1", "c2"
// (any case). Labels are not channel numbers: "19" is channel 21, c1 is 19.
std::optional<int> channel_of_label(const QString &label);

// The VALUE of `write`: a code written "code:563" or "code:0x233", 0..1023,
// or the text of a number of volts ("5.5", "5.5V") for the window's conversion.
struct CodeValue {
    int code = 0;
};
struct VoltsValue {
    QString text;
};
using ChannelValue = std::variant<CodeValue, VoltsValue>;

// Empty with a usage message in *error when the text is neither. 1024 is
// refused: the chip takes ten bits, and the window's full-scale 1024 goes
// out as 1023 anyway.
std::optional<ChannelValue> parse_channel_value(const QString &text, QString *error);

// The code a channel register receives for a table code: whole, 0..1023, as
// the register packing sends it (the window's 1024 goes out as 1023).
int packed_code(double code);

} // namespace zrx
