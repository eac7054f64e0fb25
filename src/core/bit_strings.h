#pragma once

#include <QString>

#include <functional>

namespace zrx {

// Register bytes travel as strings of '0' and '1', most significant bit first.
// All conversions are greedy and saturating: a value at or above the largest
// representable number gives all ones, a negative value all zeros, and a
// fraction is dropped.

// Eight characters. Values above 255 are a program error: the fatal handler
// is told "Problem in decmal_to_binary8" and is expected to end the program.
QString decmal_to_binary8(double value);

// Five characters, 16 down to 1.
QString decimal_to_binary5(double value);

// A ten-bit channel code split into its two data bytes: "000000" followed by
// bits 9 and 8, and bits 7 down to 0. 1024 and above give the strings of 1023.
struct CodeStrings {
    QString CodeHighString;
    QString CodeLowString;
};
CodeStrings split_code(double code);

// The program-ending report of an impossible conversion. The window layer
// installs one that shows a message box; the default prints and aborts.
using FatalHandler = std::function<void(const QString &message)>;
void set_fatal_handler(FatalHandler handler);

} // namespace zrx
