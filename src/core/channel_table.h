#pragma once

#include <QString>

#include <array>

namespace zrx {

// Channels are numbered 1..24; channel n is chip register n - 1.
// Channels 19 and 20 are the VCOM channels c1 and c2, 21..24 are gamma 19..22.
inline constexpr int FirstChannel = 1;
inline constexpr int LastChannel = 24;
inline constexpr int ChannelCount = 24;

// The process-wide channel state that every window reads and writes.
// Index 0 and 25 of the per-channel arrays exist but are never used, so
// channel numbers index them directly.
struct ChannelTable {
    // Normally 0..1024, but a read-back stores the chip's 16-bit word and a
    // file load stores the file's value unchanged, so fractions and larger
    // or negative values can occur.
    std::array<double, 26> ChannelCode{};
    std::array<double, 26> ChannelVolts{};
    int CurrentChannel = 0;
    double VrefHigh = 0.0;
    double VrefLow = 0.0;
    std::array<double, 2> VrefHighByA0{};
    std::array<double, 2> VrefLowByA0{};
    // Level of the chip's A0 pin, "0" or "1": the seventh bit of the bus address.
    QString A0Setting;
    int ControlPanelOpen = 0;

    // Which of the two per-address references belongs to the present address setting.
    int reference_index() const { return A0Setting == QLatin1String("0") ? 0 : 1; }
};

// Row label of a channel as the main window shows it ("1".."22", "c1", "c2").
QString channel_label(int channel);

// Channels in the order the windows list them: gamma 1..22, then c1 and c2.
const std::array<int, ChannelCount> &channels_in_screen_order();

} // namespace zrx
