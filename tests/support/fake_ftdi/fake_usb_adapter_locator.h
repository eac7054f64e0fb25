#pragma once

#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/ftdi/usb_adapter_locator.h"
#include "fake_ftdi_adapter.h"

namespace zrx {

// The fake adapter sits behind FakeNode; any other node is no USB adapter.
// `vendorId` lets a test put another maker's adapter there.
struct FakeUsbAdapterLocator final : UsbAdapterLocator {
    static constexpr const char *FakeNode = "/dev/ttyUSB0";
    quint16 vendorId = 0x0403;

    std::optional<UsbAdapter> adapter_of(const QString &deviceNode) const override
    {
        const FakeFtdiAdapter &a = FakeFtdiAdapter::get();
        if (deviceNode != QLatin1String(FakeNode) || !a.driverAttached)
            return std::nullopt;
        return UsbAdapter{vendorId, 0x6001, a.serialNumber, a.busNumber, a.busNumber ? a.deviceAddress : 0,
                          a.interfaceNumber};
    }
    bool node_ready(const QString &) const override { return true; }
    std::optional<UsbAdapter> detached_adapter(const UsbAdapter &remembered) const override
    {
        const FakeFtdiAdapter &a = FakeFtdiAdapter::get();
        // By serial number, or by its place on the USB when it has none.
        const bool same = remembered.serialNumber.isEmpty()
            ? remembered.busNumber == a.busNumber && remembered.deviceAddress == a.deviceAddress
            : remembered.serialNumber == a.serialNumber;
        if (a.driverAttached || a.usbOpen || a.gone || !same)
            return std::nullopt;
        return UsbAdapter{vendorId, 0x6001, a.serialNumber, a.busNumber, a.deviceAddress, a.interfaceNumber};
    }
};

// The FTDI backend on the fake adapter, timed by the fake's clock.
inline std::unique_ptr<FtdiBitBangControl> make_fake_ftdi_control()
{
    return std::make_unique<FtdiBitBangControl>(std::make_unique<FakeUsbAdapterLocator>(), default_port_devices(),
                                                &FakeFtdiAdapter::clock);
}

} // namespace zrx
