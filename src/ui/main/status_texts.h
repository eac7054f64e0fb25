#pragma once

#include "bus/port_record.h"
#include "device/chip.h"

#include <QString>

namespace zrx {

// The port half of the main window's status line: which port carries the
// bus and where it stands ("COM5 (/dev/ttyUSB0), 9600 baud: open").
// `record` is PortNumb's; `open` whether the port is open right now.
QString port_status_text(bool simulatedBoard, int PortNumb, const PortRecord &record, bool open);

// The chip half: what the words of the last read-back say about the chip.
// Empty unless every one of them read FFFF.
QString chip_status_text(const ReadBackRecord &record);

} // namespace zrx
