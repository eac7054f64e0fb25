#include "bus/ftdi/d2xx_api.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace zrx::d2xx {

std::string status_name(Status status)
{
    static const char *const Names[] = {"FT_OK", "FT_INVALID_HANDLE", "FT_DEVICE_NOT_FOUND", "FT_DEVICE_NOT_OPENED",
                                        "FT_IO_ERROR", "FT_INSUFFICIENT_RESOURCES", "FT_INVALID_PARAMETER",
                                        "FT_INVALID_BAUD_RATE"};
    if (status < std::size(Names))
        return Names[status];
    if (status == OtherError)
        return "FT_OTHER_ERROR";
    return "D2XX status " + std::to_string(status);
}

// The list is made by FT_CreateDeviceInfoList and read by the call after:
// a device plugged in between is missed, not misnumbered.
Status list_devices(const Functions &ft, std::vector<DeviceNode> &nodes)
{
    nodes.clear();
    Dword count = 0;
    if (const Status status = ft.FT_CreateDeviceInfoList(&count); status != Ok)
        return status;
    nodes.resize(count);
    if (count == 0)
        return Ok;
    const Status status = ft.FT_GetDeviceInfoList(nodes.data(), &count);
    nodes.resize(status == Ok ? std::min<std::size_t>(count, nodes.size()) : 0);
    return status;
}

std::string serial_number(const DeviceNode &node)
{
    return std::string(node.SerialNumber, strnlen(node.SerialNumber, sizeof node.SerialNumber));
}

} // namespace zrx::d2xx
