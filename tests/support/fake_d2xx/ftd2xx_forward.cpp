// ftd2xx.dll for the tests on Windows, built in place of FTDI's: each D2XX
// function fast mode uses, passed on to the functions the test hands over
// (fake_d2xx.cpp's, on the fake adapter). The product's loader loads it as
// it would FTDI's library, so the tests go through LoadLibrary and
// GetProcAddress as the program does.
#include "bus/ftdi/d2xx_api.h"

using namespace zrx::d2xx;

namespace {

Functions target{};

// Until the test hands its functions over, every call fails.
template <auto Member, typename... Args>
Status forward(Args... args)
{
    const auto function = target.*Member;
    return function ? function(args...) : OtherError;
}

} // namespace

// Each function, exported under its name in the library, passes its
// arguments on.
#define ZRX_FORWARD(name, parameters, arguments) \
    extern "C" __declspec(dllexport) Status ZRX_D2XX_CALL name parameters \
    { \
        return forward<&Functions::name> arguments; \
    }

extern "C" __declspec(dllexport) void zrx_fake_d2xx_forward_to(const Functions *functions)
{
    target = *functions;
}

ZRX_FORWARD(FT_CreateDeviceInfoList, (Dword *count), (count))
ZRX_FORWARD(FT_GetDeviceInfoList, (DeviceNode *nodes, Dword *count), (nodes, count))
ZRX_FORWARD(FT_Open, (int index, Handle *handle), (index, handle))
ZRX_FORWARD(FT_Close, (Handle handle), (handle))
ZRX_FORWARD(FT_GetComPortNumber, (Handle handle, Long *port), (handle, port))
ZRX_FORWARD(FT_SetBitMode, (Handle handle, Uchar mask, Uchar mode), (handle, mask, mode))
ZRX_FORWARD(FT_SetBaudRate, (Handle handle, Dword rate), (handle, rate))
ZRX_FORWARD(FT_SetDataCharacteristics, (Handle handle, Uchar bits, Uchar stop, Uchar parity),
            (handle, bits, stop, parity))
ZRX_FORWARD(FT_SetLatencyTimer, (Handle handle, Uchar milliseconds), (handle, milliseconds))
ZRX_FORWARD(FT_SetTimeouts, (Handle handle, Dword readMs, Dword writeMs), (handle, readMs, writeMs))
ZRX_FORWARD(FT_Purge, (Handle handle, Dword mask), (handle, mask))
ZRX_FORWARD(FT_GetQueueStatus, (Handle handle, Dword *waiting), (handle, waiting))
ZRX_FORWARD(FT_Read, (Handle handle, void *buffer, Dword count, Dword *returned), (handle, buffer, count, returned))
ZRX_FORWARD(FT_Write, (Handle handle, const void *buffer, Dword count, Dword *written),
            (handle, buffer, count, written))
ZRX_FORWARD(FT_SetDtr, (Handle handle), (handle))
ZRX_FORWARD(FT_ClrDtr, (Handle handle), (handle))
ZRX_FORWARD(FT_SetRts, (Handle handle), (handle))
ZRX_FORWARD(FT_ClrRts, (Handle handle), (handle))
ZRX_FORWARD(FT_GetModemStatus, (Handle handle, Dword *status), (handle, status))
