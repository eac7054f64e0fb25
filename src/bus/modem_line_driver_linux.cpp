#include "bus/modem_line_driver.h"

#include <QFile>

#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace zrx {
namespace {

DriverResult answer_of(int ioctlResult)
{
    if (ioctlResult != -1)
        return {};
    const int error = errno;
    // These are what a tty answers once its device is unplugged; anything
    // else (a device without modem lines says ENOTTY or EINVAL) leaves the
    // port usable for what it can do.
    const bool gone = error == EIO || error == ENXIO || error == ENODEV;
    return {gone ? DriverAnswer::PortGone : DriverAnswer::Refused, qt_error_string(error)};
}

DriverResult set_line(int fd, int line, bool asserted)
{
    int bits = line;
    return answer_of(::ioctl(fd, asserted ? TIOCMBIS : TIOCMBIC, &bits));
}

} // namespace

DriverResult driver_set_dtr(PortHandle handle, bool asserted)
{
    return set_line(handle, TIOCM_DTR, asserted);
}

DriverResult driver_set_rts(PortHandle handle, bool asserted)
{
    return set_line(handle, TIOCM_RTS, asserted);
}

DriverResult driver_read_dsr(PortHandle handle, bool &asserted)
{
    int bits = 0;
    DriverResult result = answer_of(::ioctl(handle, TIOCMGET, &bits));
    if (result.answer == DriverAnswer::Done)
        asserted = (bits & TIOCM_DSR) != 0;
    return result;
}

// QSerialPort says PermissionError both for a lock file or TIOCEXCL held by
// another program (EBUSY) and for a node we may not open (EACCES). Only the
// second fails access(2).
bool held_by_another_program(const QString &device, QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::PermissionError)
        return false;
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
}

} // namespace zrx
