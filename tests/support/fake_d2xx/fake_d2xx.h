#pragma once

#include "bus/ftdi/d2xx_ftdi_driver.h"
#include "bus/ftdi/d2xx_library.h"
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "fake_ftdi_adapter.h"

#include <memory>

namespace zrx {

// FTDI's D2XX library on FakeFtdiAdapter, the fake libftdi's adapter: the
// same chip model, clock, FIFO and faults, as FTDI's driver shows them. It
// lists the adapter (FT_Open's device 0, serial number serialNumber, COM
// port comPort) and one device for each of otherSerials (COM6, COM7, ...),
// which answer nothing but their COM port. D2XX opens each device once,
// refuses one another program holds, and reads return at once with what has
// arrived (a read that wants more waits its time-out on the fake's clock).
d2xx::Functions fake_d2xx_functions();

// The library as the product finds it. On Windows that is the product's own
// loader, finding the fake ftd2xx.dll beside the test (ftd2xx_forward.cpp),
// which passes every call on to the functions above; elsewhere the functions
// themselves.
const d2xx::Library &fake_d2xx_library();

// The devices on which COM5 is the system's own COM5, as on Windows.
PortDeviceTable windows_port_devices();

// The FTDI backend on the D2XX driver and locator over the library (the
// fake, unless a test hands in another), timed by the fake's clock.
std::unique_ptr<FtdiBitBangControl> make_fake_d2xx_control(D2xxFtdiDriver::LibrarySource library = &fake_d2xx_library);

} // namespace zrx
