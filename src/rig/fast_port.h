#pragma once

#include "bus/fast_port_control.h"
#include "bus/port_names.h"

#include <memory>

namespace zrx {

// The port that sends whole transactions on FTDI adapters, on the given
// device table; null when the program was built without one.
std::unique_ptr<FastPortControl> make_fast_port(const PortDeviceTable &devices);

} // namespace zrx
