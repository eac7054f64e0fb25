#include "ui/panel/panel_scale.h"

#include "core/number_text.h"

#include <algorithm>
#include <cmath>

namespace zrx {

int slider_position_of_code(double code)
{
    if (std::isnan(code))
        return SliderBottom;
    const double position = std::nearbyint(SliderBottom - code);
    return static_cast<int>(std::clamp(position, double(SliderTop), double(SliderBottom)));
}

std::array<QString, 5> scale_label_texts(double VrefHigh, double VrefLow)
{
    const double span = VrefHigh - VrefLow;
    // Difference times numerator, then the division, then the offset: this
    // order keeps the quarter points exact for the usual references.
    const auto quarter = [&](int numerator) { return format_volts(span * numerator / 4 + VrefLow); };
    return {number_text(VrefHigh), quarter(3), quarter(2), quarter(1), number_text(VrefLow)};
}

} // namespace zrx
