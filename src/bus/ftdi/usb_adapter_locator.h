#pragma once

#include <QCoreApplication>
#include <QString>

#include <memory>
#include <optional>

namespace zrx {

// The USB device behind a serial port's device node.
struct UsbAdapter {
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;
    // Where it sits on the USB: 0 when not known.
    int busNumber = 0;
    int deviceAddress = 0;
    // Which serial port of a chip with several the node is (0 for the first).
    int interfaceNumber = 0;
};

// Finds the adapter behind a serial port without opening anything. Tests
// hand in their own.
class UsbAdapterLocator {
public:
    virtual ~UsbAdapterLocator() = default;
    // Nothing when the node is not a USB serial port (or not there).
    virtual std::optional<UsbAdapter> adapter_of(const QString &deviceNode) const = 0;
    // Why adapter_of() found none behind the node, for the user.
    virtual QString no_adapter_reason(const QString &deviceNode) const
    {
        return QCoreApplication::translate("FtdiBitBangControl", "%1 is not a USB adapter").arg(deviceNode);
    }
    // Whether the node is back and this user may open it, once the system's
    // serial driver has the adapter again.
    virtual bool node_ready(const QString &deviceNode) const = 0;
    // The remembered adapter (by its serial number, or by its bus location
    // where it has none) when it is plugged in and the port of it that was
    // used has no serial driver: where it is now.
    virtual std::optional<UsbAdapter> detached_adapter(const UsbAdapter &remembered) const = 0;
};

// This system's locator: the device nodes' USB devices in sysfs on Linux,
// FTDI's D2XX library on Windows.
std::unique_ptr<UsbAdapterLocator> make_usb_adapter_locator();

} // namespace zrx
