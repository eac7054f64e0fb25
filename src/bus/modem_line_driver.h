#pragma once

#include <QString>
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <QSerialPort>
#endif

// The only place that knows how the operating system sets and reads modem
// lines. One implementation per system (modem_line_driver_linux.cpp,
// modem_line_driver_windows.cpp); CMake picks one.

namespace zrx {

// The open port's system handle: a Windows HANDLE, or a file descriptor.
#ifdef Q_OS_WIN
using PortHandle = void *;
#else
using PortHandle = int;
#endif

enum class DriverAnswer {
    Done,
    PortGone, // the device went away (a USB adapter pulled): close the port
    Refused,  // the driver said no, but the port is still there
};

struct DriverResult {
    DriverAnswer answer = DriverAnswer::Done;
    QString reason; // the system's text, only when not Done
};

// Exactly one driver request each, even when the line already has the level:
// on real hardware the requests themselves pace the bus.
DriverResult driver_set_dtr(PortHandle handle, bool asserted);
DriverResult driver_set_rts(PortHandle handle, bool asserted);
// `asserted` is left alone unless the answer is Done.
DriverResult driver_read_dsr(PortHandle handle, bool &asserted);

#ifndef Q_OS_WIN
// Whether QSerialPort's refusal to open `device` means that the port exists
// but another program holds it (rather than no permission or no such port).
// On Windows the port is opened with the system's own calls, which say so
// directly (real_serial_control_windows.cpp).
bool held_by_another_program(const QString &device, QSerialPort::SerialPortError error);
#endif

} // namespace zrx
