#pragma once

#include "bus/ftdi/ftdi_chip_family.h"
#include "bus/ftdi/usb_adapter_locator.h"

#include <QString>

namespace zrx {

class FtdiDriver;

// Taking an adapter from the system's serial driver and giving it back.
// Taking opens it through the driver and accepts only a family whose
// synchronous bit-bang mode the bus can use; giving back closes it and, when
// the adapter still answers, waits until the port's device node is back, so
// that the next opening of the port finds it.
class FtdiAdapterClaim {
public:
    FtdiAdapterClaim(FtdiDriver &driver, const UsbAdapterLocator &locator);

    // False with error_text() when the adapter cannot be had; release()
    // then gives back whatever was taken.
    bool claim(const UsbAdapter &adapter);
    const FtdiChipFamily &family() const { return m_family; }
    bool is_claimed() const;
    void release(const QString &node, bool waitForNode);
    QString error_text() const { return m_errorText; }

private:
    FtdiDriver &m_driver;
    const UsbAdapterLocator &m_locator;
    FtdiChipFamily m_family;
    QString m_errorText;
};

} // namespace zrx
