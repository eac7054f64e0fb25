#include "bus/real_serial_control.h"

#include "bus/line_settings.h"

#include <qt_windows.h>

// The Windows port, opened and written with the system's own calls, as the
// modem lines are set and read: one synchronous handle, no thread and no
// notifier behind the program's back. Nothing ever reads the port.

namespace zrx {
namespace {

HANDLE handle_of(PortHandle handle)
{
    return static_cast<HANDLE>(handle);
}

// What a write on an open handle answers once its device has gone (a USB
// adapter pulled out); any other failure leaves the port as it was.
bool device_gone(DWORD error)
{
    switch (error) {
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_ACCESS_DENIED:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_FILE_NOT_FOUND:
        return true;
    default:
        return false;
    }
}

} // namespace

RealSerialControl::RealSerialControl(PortDeviceTable devices, QObject *parent)
    : SerialControl(parent), m_devices(std::move(devices))
{
}

OpenOutcome RealSerialControl::open_port(const PortConfiguration &configuration)
{
    const QString device = begin_opening(configuration);
    if (device.isEmpty())
        return OpenOutcome::Failed;

    // The device namespace reaches COM10 and above too.
    const QString path = device.startsWith(QLatin1String("\\\\.\\")) ? device : QStringLiteral("\\\\.\\") + device;
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_errorText = device + QStringLiteral(": ") + qt_error_string(int(error));
        // COM ports open exclusively: a port that exists but is refused is
        // another program's.
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? OpenOutcome::HeldElsewhere
                                                                                : OpenOutcome::Failed;
    }
    m_handle = handle;
    ++m_openings;
    if (!apply_line_settings(configuration) || !apply_write_timeouts()) {
        m_errorText = device + QStringLiteral(": ") + qt_error_string(int(GetLastError()));
        close_port();
        return OpenOutcome::Failed;
    }

    // Both lines released: the bus is idle with clock and data high.
    set_dtr(false);
    set_rts(false);
    return is_open() ? OpenOutcome::Opened : OpenOutcome::Failed;
}

// A bit rate that cannot be read keeps the port's present one, as a refused
// setting is skipped. DTR and RTS are never handed to the driver's flow
// control: they are the bus clock and data lines.
bool RealSerialControl::apply_line_settings(const PortConfiguration &configuration)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_of(m_handle), &dcb))
        return false;
    if (const qint32 rate = bit_rate_of(configuration.Settings); rate > 0)
        dcb.BaudRate = DWORD(rate);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fAbortOnError = FALSE;
    return SetCommState(handle_of(m_handle), &dcb) != 0;
}

// Only the write allowance matters: a read would return at once.
bool RealSerialControl::apply_write_timeouts()
{
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier = m_timeouts.WriteTotalTimeoutMultiplier;
    timeouts.WriteTotalTimeoutConstant = m_timeouts.WriteTotalTimeoutConstant;
    return SetCommTimeouts(handle_of(m_handle), &timeouts) != 0;
}

void RealSerialControl::close_port()
{
    if (!is_open())
        return;
    CloseHandle(handle_of(m_handle));
    m_handle = INVALID_HANDLE_VALUE;
}

bool RealSerialControl::is_open() const
{
    return handle_of(m_handle) != INVALID_HANDLE_VALUE;
}

bool RealSerialControl::output(const QByteArray &bytes)
{
    if (!is_open())
        return false;
    if (bytes.isEmpty())
        return true;
    DWORD written = 0;
    if (!WriteFile(handle_of(m_handle), bytes.constData(), DWORD(bytes.size()), &written, nullptr)) {
        const DWORD error = GetLastError();
        if (device_gone(error)) {
            lose_port(qt_error_string(int(error)));
            return false;
        }
    }
    if (written == DWORD(bytes.size()))
        return true;
    // Ran out of time: what is still queued is dropped, so it cannot pile up
    // behind the next write.
    PurgeComm(handle_of(m_handle), PURGE_TXABORT | PURGE_TXCLEAR);
    return false;
}

void RealSerialControl::set_timeouts(const PortTimeouts &timeouts)
{
    m_timeouts = timeouts;
    if (is_open())
        apply_write_timeouts();
}

} // namespace zrx
