#pragma once

#include <QString>
#include <QStringView>

namespace zrx {

// The text of a port list entry: the port's name, and where the name stands
// for a device node, the node beside it ("COM5 (/dev/ttyUSB0)"), so ports
// can be told apart on systems that do not name them COMn.
QString port_entry_text(const QString &portName);

// The port number of an entry: the whole number right after "COM", whatever
// follows it. 0 when the entry does not start with "COM" and a digit.
int port_number_of_entry(QStringView entry);

} // namespace zrx
