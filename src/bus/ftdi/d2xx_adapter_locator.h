#pragma once

#include "bus/ftdi/d2xx_ftdi_driver.h"
#include "bus/ftdi/usb_adapter_locator.h"

namespace zrx {

// The FTDI adapter behind a COM port, as FTDI's D2XX library tells it on
// Windows: each device it lists whose port no program holds is opened for a
// moment and asked for its COM port number. Nothing else is claimed.
//
// A COM port stays while fast mode holds its adapter, and Windows closes a
// dead process's handles, so no adapter is ever left without its driver.
class D2xxAdapterLocator final : public UsbAdapterLocator {
public:
    explicit D2xxAdapterLocator(D2xxFtdiDriver::LibrarySource library);

    std::optional<UsbAdapter> adapter_of(const QString &deviceNode) const override;
    QString no_adapter_reason(const QString &deviceNode) const override;
    bool node_ready(const QString &) const override { return true; }
    std::optional<UsbAdapter> detached_adapter(const UsbAdapter &) const override { return std::nullopt; }

private:
    D2xxFtdiDriver::LibrarySource m_library;
    // Why the last look found nothing.
    mutable QString m_reason;
};

} // namespace zrx
