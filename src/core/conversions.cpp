#include "core/conversions.h"

#include "core/number_text.h"

#include <cmath>

namespace zrx {

// The chip divides the span into 1024 steps, so a voltage at VrefHigh gives
// code 1024, which the register packing sends as all ten bits set.
static constexpr double CodeSteps = 1024.0;

double code_to_volts(const ChannelTable &table, double code)
{
    if (code > 1023)
        return table.VrefHigh;
    // The step first: a reference near the largest double would overflow
    // code * span. Dividing by 1024 is exact, so the result is the same.
    return table.VrefLow + code * ((table.VrefHigh - table.VrefLow) / CodeSteps);
}

void volts_to_code(ChannelTable &table, const ChannelView &view)
{
    const double span = table.VrefHigh - table.VrefLow;
    if (!(span > 0))
        return;
    const int c = table.CurrentChannel;
    double volts = leading_number(view.volts_text(c));
    if (volts > table.VrefHigh)
        volts = table.VrefHigh;
    if (volts < table.VrefLow)
        volts = table.VrefLow;
    table.ChannelVolts.at(c) = volts;
    // The share of the span first, for the same reason and with the same result.
    table.ChannelCode.at(c) = std::floor(CodeSteps * ((volts - table.VrefLow) / span) + 0.5);
}

void refresh_channels(ChannelTable &table, ChannelView &view)
{
    for (int c = FirstChannel; c <= LastChannel; ++c) {
        view.set_code_text(c, format_code(table.ChannelCode[c]));
        table.ChannelVolts[c] = code_to_volts(table, table.ChannelCode[c]);
        // May run the box's change handling right here, which rewrites this
        // channel's code from the truncated text and writes it to the chip.
        view.set_volts_text(c, format_volts(table.ChannelVolts[c]));
    }
    const int index = table.reference_index();
    table.VrefHighByA0[index] = table.VrefHigh;
    table.VrefLowByA0[index] = 0.0;
    if (table.ControlPanelOpen == 1)
        view.refresh_control_panel();
}

void select_reference(ChannelTable &table, ChannelView &view)
{
    table.VrefHigh = table.VrefHighByA0[table.reference_index()];
    view.set_vsup_text(number_text(table.VrefHigh));
}

} // namespace zrx
