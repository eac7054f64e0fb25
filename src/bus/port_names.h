#pragma once

#include "bus/port_state.h"

#include <QString>

#include <array>

namespace zrx {

// "COM" & n: the only names the program shows, stores and compares, on every
// system, so a settings store or a habit carries over between machines.
QString port_name(int portNumber);

// Whether COMn can exist: 1..16. 0 means no port selected; anything else
// comes from an edited settings store.
bool is_port_number(int portNumber);

// Where each COMn lives on this system: Nodes[n] is the device of COMn.
// Index 0 and an empty entry have no device. Tests point entries at paths of
// their own (a pseudo-terminal) instead of real ports.
struct PortDeviceTable {
    std::array<QString, HighestPortNumber + 1> Nodes;
};

// On Linux a fixed table, so that a number keeps meaning the same kind of port:
//   COM1..COM4   /dev/ttyS0..3     the machine's own UARTs
//   COM5..COM12  /dev/ttyUSB0..7   USB serial adapters
//   COM13..COM16 /dev/ttyACM0..3   USB modem-class (CDC ACM) devices
// On Windows the system's own COMn names.
PortDeviceTable default_port_devices();

// The device of COMn, empty when n has none (0, out of range, or no entry).
QString port_device(const PortDeviceTable &devices, int portNumber);

// "COM5 (/dev/ttyUSB0)" when the device is named differently from the port,
// else just "COM5".
QString port_display_name(int portNumber, const PortDeviceTable &devices = default_port_devices());

} // namespace zrx
