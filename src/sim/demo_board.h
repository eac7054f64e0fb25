#pragma once

#include "sim/simulated_board.h"

#include <memory>

namespace zrx {

// The simulated board as the demo and the command-line tool's --simulate
// start it: its one port, COM1, already open, and a chip that holds what a
// display's reference chip plausibly would, so there is something to look at
// and change from the first moment.
std::unique_ptr<SimulatedBoard> make_demo_board();

// The codes such a chip holds: a gamma curve falling from near full scale at
// gamma 1 to near 0 at gamma 22, and both VCOM channels at mid-scale.
void load_demo_codes(SimulatedChip &chip);

} // namespace zrx
