#pragma once

#include "core/channel_table.h"
#include "core/channel_view.h"

namespace zrx {

// Voltage of a code: VrefHigh for codes above 1023, otherwise its share of the
// span with 1024 steps.
double code_to_volts(const ChannelTable &table, double code);

// Converts the voltage box of CurrentChannel into its ChannelVolts and
// ChannelCode, clamped to the references. Does nothing while the span is not
// positive. Writes no box and nothing to the chip.
void volts_to_code(ChannelTable &table, const ChannelView &view);

// Recomputes every voltage from its code and rewrites both boxes of every row
// in channel order. A voltage box whose text changes runs its change handling
// before the loop goes on, so afterwards CurrentChannel is the highest channel
// whose text changed. Then records VrefHigh for the present address setting
// and refreshes the control panel while it is open.
void refresh_channels(ChannelTable &table, ChannelView &view);

// Takes the reference remembered for the present address setting and shows it
// in the Vsup box.
void select_reference(ChannelTable &table, ChannelView &view);

} // namespace zrx
