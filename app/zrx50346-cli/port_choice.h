#pragma once

#include "bus/port_names.h"

#include <QString>

#include <optional>

namespace zrx {

// The port a command runs on, as the command line gave it.
struct PortChoice {
    bool simulated = false;
    // The number the port is opened under, 1..16.
    int PortNumb = 0;
    // Where that number lives; a device path of the user's own stands under
    // its number here.
    PortDeviceTable devices;
    // What messages call it: "COM5 (/dev/ttyUSB0)", or the path as given.
    QString name;
};

// --port COMn (1..16, any case), or a device path; with --simulate the
// simulated board on COM1. Nothing is opened here. Empty with *error set
// when the text names no port.
std::optional<PortChoice> choose_port(const QString &port, bool simulate, QString *error);

} // namespace zrx
