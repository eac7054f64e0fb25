#pragma once

#include "bus/fast_mode_serial_control.h"
#include "bus/fast_port_control.h"
#include "bus/port_names.h"
#include "bus/serial_control.h"
#include "store/settings_store.h"

#include <memory>

namespace zrx {

// What a program's bus runs on, before the program wraps it in its bus log.
struct PortStack {
    std::unique_ptr<SerialControl> port;
    // Fast mode's switch inside `port` on a real port; null on the simulated
    // board. Owned by `port`.
    FastModeSerialControl *fastMode = nullptr;
};

// A real port is made of these two: the per-request control on the
// system's serial driver, and the fast port (null when the program has
// none). The tests hand in a simulated board and the fake adapter instead.
struct RealPortParts {
    std::unique_ptr<SerialControl> perRequest;
    std::unique_ptr<FastPortControl> fast;
};

// The system's parts on the given device table.
RealPortParts system_port_parts(const PortDeviceTable &devices);

// A real port with fast mode in it, off until someone wants it.
PortStack real_port_stack(RealPortParts parts);

// The tool's and the session's port (`--simulate`, or a real port that
// `--fast` turns fast): nothing opened yet, nothing taken from or put into
// the window's settings. The simulated board's chip starts with the demo's
// codes, fresh for every stack.
PortStack tool_port_stack(bool simulated, const PortDeviceTable &devices);

// The window's port. The simulated board is the demo's, already open on
// COM1. A real port wants fast mode as the settings say, hands the fast port
// the adapter it took last, and stores every adapter it takes as soon as it
// is taken: a run killed while it holds the adapter leaves the next one this
// to find it by. `store` must outlive the port.
PortStack window_port_stack(bool simulated, SettingsStore &store);
PortStack window_port_stack(RealPortParts parts, SettingsStore &store);

// At the window's end: the fast mode wish stored, and the port closed, so an
// adapter in fast mode goes back to the system's serial driver with its
// lines released. Nothing to do on the simulated board.
void end_window_port(FastModeSerialControl *fastMode, SettingsStore &store);

} // namespace zrx
