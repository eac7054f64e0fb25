#pragma once

#include "chip_commands.h"

namespace zrx {

// Plays the sets onto the chip: each set's 24 channels written once, the
// step marker 01 00 00 00 on the transmit line, then the pause; the files in
// order, --cycles times (0: until stopped). A signal ends the run after the
// frame going out, or at once during a pause, with the bus idle; a file cut
// short gets no marker. A stop you asked for is a success.
CommandOutcome batch_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                             CliReport &report);

} // namespace zrx
