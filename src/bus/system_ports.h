#pragma once

#include <QList>
#include <QString>

namespace zrx {

// A serial port the system knows of right now, with what it says of the
// device behind it. Fields it does not know are empty.
struct SystemPort {
    QString location;  // what the port table names it: "/dev/ttyUSB0", "COM5"
    QString name;      // the system's short name: "ttyUSB0", "COM5"
    QString vendorId;  // USB ids, four lower-case hex digits
    QString productId;
    QString serialNumber;
    QString description;
};

// One implementation per system: Qt's port list where Qt SerialPort is
// used, the registry's list of serial devices on Windows.
QList<SystemPort> system_ports();

} // namespace zrx
