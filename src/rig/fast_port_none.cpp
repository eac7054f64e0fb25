#include "rig/fast_port.h"

#include "bus/ftdi/usb_adapter_locator.h"

namespace zrx {

// Built without an FTDI library: fast mode says why (fast_mode_not_built_reason).
std::unique_ptr<FastPortControl> make_fast_port(const PortDeviceTable &)
{
    return nullptr;
}

std::unique_ptr<UsbAdapterLocator> make_fast_port_locator()
{
    return nullptr;
}

} // namespace zrx
