#include "bus/modem_line_driver.h"

#include <qt_windows.h>

namespace zrx {
namespace {

DriverResult answer_of(BOOL succeeded)
{
    if (succeeded)
        return {};
    const DWORD error = GetLastError();
    // A driver without modem lines says so; every other failure on an open
    // handle means the device has gone (an unplugged USB adapter answers
    // ERROR_BAD_COMMAND, ERROR_ACCESS_DENIED or ERROR_DEVICE_REMOVED).
    const bool refused = error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED;
    return {refused ? DriverAnswer::Refused : DriverAnswer::PortGone, qt_error_string(int(error))};
}

} // namespace

DriverResult driver_set_dtr(PortHandle handle, bool asserted)
{
    return answer_of(EscapeCommFunction(handle, asserted ? SETDTR : CLRDTR));
}

DriverResult driver_set_rts(PortHandle handle, bool asserted)
{
    return answer_of(EscapeCommFunction(handle, asserted ? SETRTS : CLRRTS));
}

DriverResult driver_read_dsr(PortHandle handle, bool &asserted)
{
    DWORD status = 0;
    DriverResult result = answer_of(GetCommModemStatus(handle, &status));
    if (result.answer == DriverAnswer::Done)
        asserted = (status & MS_DSR_ON) != 0;
    return result;
}

} // namespace zrx
