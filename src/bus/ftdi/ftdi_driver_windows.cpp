#include "bus/ftdi/d2xx_adapter_locator.h"
#include "bus/ftdi/d2xx_ftdi_driver.h"
#include "bus/ftdi/d2xx_library.h"

namespace zrx {

// On Windows the adapters run FTDI's own driver, whose D2XX library serves
// them while their COM ports are closed.
std::unique_ptr<FtdiDriver> make_ftdi_driver()
{
    return std::make_unique<D2xxFtdiDriver>(&d2xx::load_library);
}

std::unique_ptr<UsbAdapterLocator> make_usb_adapter_locator()
{
    return std::make_unique<D2xxAdapterLocator>(&d2xx::load_library);
}

} // namespace zrx
