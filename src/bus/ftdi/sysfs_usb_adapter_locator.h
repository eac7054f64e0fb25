#pragma once

#include "bus/ftdi/usb_adapter_locator.h"

namespace zrx {

// Linux: a tty's USB device from sysfs (/sys/class/tty/<name>/device leads to
// the USB interface, whose parent holds busnum, devnum, idVendor, idProduct
// and serial), the serial number also from QSerialPortInfo where sysfs has
// none. Elsewhere only QSerialPortInfo, so the adapter is opened by its
// serial number.
class SysfsUsbAdapterLocator final : public UsbAdapterLocator {
public:
    // `sysfsRoot` is "/sys" on a real system.
    explicit SysfsUsbAdapterLocator(QString sysfsRoot = QStringLiteral("/sys"));

    std::optional<UsbAdapter> adapter_of(const QString &deviceNode) const override;
    bool node_ready(const QString &deviceNode) const override;
    std::optional<UsbAdapter> detached_adapter(const UsbAdapter &remembered) const override;

private:
    QString m_sysfsRoot;
};

} // namespace zrx
