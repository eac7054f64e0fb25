#pragma once

#include "bus/port_names.h"
#include "bus/port_record.h"

#include <QString>

namespace zrx {

// Where the program's port stands, in the words of the window's status line
// and of the command-line tool's errors: which port carries the bus and its
// state ("COM5 (/dev/ttyUSB0), 9600 baud: open", "..., fast mode"), with the
// system's reason and what to do about it when it could not be opened, and
// why fast mode did not take when it was wanted.
// `record` is PortNumb's; `open` whether the port is open right now.
QString port_status_text(bool simulatedBoard, int PortNumb, const PortRecord &record, bool open,
                         const PortDeviceTable &devices = default_port_devices());

// The same for a port shown under a name of its own: `name` stands where
// "COM5 (/dev/ttyUSB0)" would, as for a device path given on a command line.
QString named_port_status_text(const QString &name, int PortNumb, const PortRecord &record, bool open,
                               const PortDeviceTable &devices);

} // namespace zrx
