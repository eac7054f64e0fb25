#pragma once

#include "bus/modem_line_bus.h"
#include "support/recording_serial_control.h"
#include "sim/simulated_board.h"

namespace zrx {

// A bus wired for a test: the bus drives the recorder, the recorder passes
// every call on to the simulated board, whose port is open. The trace starts
// empty, after the open.
struct SimulatedBus {
    SimulatedBus();

    SimulatedChip &chip() { return board.chip(); }
    LineTrace take_trace() { return recorder.take_trace(); }

    SimulatedBoard board;
    RecordingSerialControl recorder;
    ModemLineBus bus{recorder};
};

} // namespace zrx
