#pragma once

#include "bus/fast_port_control.h"
#include "bus/port_names.h"

#include <memory>

namespace zrx {

class UsbAdapterLocator;

// The port that sends whole transactions on FTDI adapters, on the given
// device table; null when the program was built without one.
std::unique_ptr<FastPortControl> make_fast_port(const PortDeviceTable &devices);

// What finds the adapter behind a port for fast mode (sysfs on Linux, FTDI's
// own library on Windows); null when the program was built without one.
std::unique_ptr<UsbAdapterLocator> make_fast_port_locator();

} // namespace zrx
