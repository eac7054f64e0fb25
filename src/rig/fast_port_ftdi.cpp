#include "rig/fast_port.h"

#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/ftdi/sysfs_usb_adapter_locator.h"

namespace zrx {

std::unique_ptr<FastPortControl> make_fast_port(const PortDeviceTable &devices)
{
    return std::make_unique<FtdiBitBangControl>(std::make_unique<SysfsUsbAdapterLocator>(), devices);
}

} // namespace zrx
