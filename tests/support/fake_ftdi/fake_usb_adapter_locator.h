#pragma once

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
        if (deviceNode != QLatin1String(FakeNode))
            return std::nullopt;
        const FakeFtdiAdapter &a = FakeFtdiAdapter::get();
        return UsbAdapter{vendorId, 0x6001, QStringLiteral("FT0FAKE1"), a.busNumber, a.deviceAddress, 0};
    }
    bool node_ready(const QString &) const override { return true; }
};

} // namespace zrx
