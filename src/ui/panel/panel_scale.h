#pragma once

#include <QString>

#include <array>

namespace zrx {

// A slider's top end is full scale: position 0 is code 1024, position 1024 is
// code 0.
inline constexpr int SliderTop = 0;
inline constexpr int SliderBottom = 1024;

// The position that shows a code. Codes from a loaded file or a read-back can
// carry a fraction or lie outside 0..1024; they are rounded (halves to even,
// as the code boxes show them) and pinned to the nearer end.
int slider_position_of_code(double code);

// The code a user-chosen position stands for.
inline int code_of_slider_position(int position)
{
    return SliderBottom - position;
}

// The scale beside the sliders, top to bottom: VrefHigh, three quarter points,
// VrefLow. The ends in the Vsup box's form, the quarters truncated to
// millivolts like every other voltage label.
std::array<QString, 5> scale_label_texts(double VrefHigh, double VrefLow);

} // namespace zrx
