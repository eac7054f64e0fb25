#pragma once

#include "bus/ftdi/usb_adapter_locator.h"

#include <QString>

namespace zrx {

// The adapter last taken for a port, kept across runs as one line of text
// so that a run killed while it held the adapter can find it again.
struct RememberedAdapter {
    // 0: none remembered.
    int port = 0;
    UsbAdapter adapter;
};

// "5;FT0FAKE1;1;7;0;403;6001": port, serial number, bus, address,
// interface, vendor and product (hexadecimal). Empty when none.
QString remembered_adapter_text(const RememberedAdapter &remembered);
// None (port 0) when the text is not of that shape.
RememberedAdapter remembered_adapter_from_text(const QString &text);

} // namespace zrx
