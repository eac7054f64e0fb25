#include "rig/fast_port.h"

#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/ftdi/usb_adapter_locator.h"

namespace zrx {

std::unique_ptr<FastPortControl> make_fast_port(const PortDeviceTable &devices)
{
    return std::make_unique<FtdiBitBangControl>(make_usb_adapter_locator(), devices);
}

std::unique_ptr<UsbAdapterLocator> make_fast_port_locator()
{
    return make_usb_adapter_locator();
}

} // namespace zrx
