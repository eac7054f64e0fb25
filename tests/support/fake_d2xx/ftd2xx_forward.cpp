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

#define ZRX_EXPORT extern "C" __declspec(dllexport)

ZRX_EXPORT void zrx_fake_d2xx_forward_to(const Functions *functions)
{
    target = *functions;
}

ZRX_EXPORT Status ZRX_D2XX_CALL FT_CreateDeviceInfoList(Dword *count)
{
    return forward<&Functions::FT_CreateDeviceInfoList>(count);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_GetDeviceInfoList(DeviceNode *nodes, Dword *count)
{
    return forward<&Functions::FT_GetDeviceInfoList>(nodes, count);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_Open(int index, Handle *handle)
{
    return forward<&Functions::FT_Open>(index, handle);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_Close(Handle handle)
{
    return forward<&Functions::FT_Close>(handle);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_GetComPortNumber(Handle handle, Long *port)
{
    return forward<&Functions::FT_GetComPortNumber>(handle, port);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_SetBitMode(Handle handle, Uchar mask, Uchar mode)
{
    return forward<&Functions::FT_SetBitMode>(handle, mask, mode);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_SetBaudRate(Handle handle, Dword rate)
{
    return forward<&Functions::FT_SetBaudRate>(handle, rate);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_SetDataCharacteristics(Handle handle, Uchar bits, Uchar stop, Uchar parity)
{
    return forward<&Functions::FT_SetDataCharacteristics>(handle, bits, stop, parity);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_SetLatencyTimer(Handle handle, Uchar milliseconds)
{
    return forward<&Functions::FT_SetLatencyTimer>(handle, milliseconds);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_SetTimeouts(Handle handle, Dword readMs, Dword writeMs)
{
    return forward<&Functions::FT_SetTimeouts>(handle, readMs, writeMs);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_Purge(Handle handle, Dword mask)
{
    return forward<&Functions::FT_Purge>(handle, mask);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_GetQueueStatus(Handle handle, Dword *waiting)
{
    return forward<&Functions::FT_GetQueueStatus>(handle, waiting);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_Read(Handle handle, void *buffer, Dword count, Dword *returned)
{
    return forward<&Functions::FT_Read>(handle, buffer, count, returned);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_Write(Handle handle, const void *buffer, Dword count, Dword *written)
{
    return forward<&Functions::FT_Write>(handle, buffer, count, written);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_SetDtr(Handle handle)
{
    return forward<&Functions::FT_SetDtr>(handle);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_ClrDtr(Handle handle)
{
    return forward<&Functions::FT_ClrDtr>(handle);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_SetRts(Handle handle)
{
    return forward<&Functions::FT_SetRts>(handle);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_ClrRts(Handle handle)
{
    return forward<&Functions::FT_ClrRts>(handle);
}
ZRX_EXPORT Status ZRX_D2XX_CALL FT_GetModemStatus(Handle handle, Dword *status)
{
    return forward<&Functions::FT_GetModemStatus>(handle, status);
}
