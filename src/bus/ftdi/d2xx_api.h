#pragma once

// The part of FTDI's D2XX interface (ftd2xx.dll, installed with FTDI's
// driver on Windows) that fast mode uses, declared from FTDI's published
// D2XX programmer's guide: no header, import library or DLL of FTDI's is
// part of this program. The library is found at run time, so a machine
// without FTDI's driver runs the program all the same, without fast mode.
//
// Windows' own types as D2XX uses them, in sizes that hold on 64-bit Windows
// (ULONG and DWORD are 32 bits there); no Windows header is needed, so the
// tests' fake of the library builds on any system.

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#define ZRX_D2XX_CALL __stdcall
#else
#define ZRX_D2XX_CALL
#endif

namespace zrx::d2xx {

using Handle = void *;
using Status = std::uint32_t;
using Dword = std::uint32_t;
using Long = std::int32_t;
using Uchar = unsigned char;

// Statuses, as the guide numbers them (the rest are named by number).
inline constexpr Status Ok = 0;
inline constexpr Status InvalidHandle = 1;
inline constexpr Status DeviceNotFound = 2;
inline constexpr Status DeviceNotOpened = 3;
inline constexpr Status IoError = 4;
inline constexpr Status InsufficientResources = 5;
inline constexpr Status InvalidParameter = 6;
inline constexpr Status InvalidBaudRate = 7;
inline constexpr Status OtherError = 18;

// FT_DEVICE: the chip of a device.
enum DeviceType : Dword {
    DeviceBm = 0,
    DeviceAm = 1,
    Device100Ax = 2,
    DeviceUnknown = 3,
    Device2232C = 4,
    Device232R = 5,
    Device2232H = 6,
    Device4232H = 7,
    Device232H = 8,
    DeviceXSeries = 9,
};

// FT_DEVICE_LIST_INFO_NODE. A device another process has open shows only
// its flags.
struct DeviceNode {
    Dword Flags;
    Dword Type;
    Dword ID; // vendor id in the high word, product id in the low word
    Dword LocId;
    char SerialNumber[16];
    char Description[64];
    Handle ftHandle;
};
inline constexpr Dword FlagOpened = 0x1;

inline constexpr Uchar BitModeReset = 0x00;
inline constexpr Uchar BitModeSyncBitBang = 0x04;
inline constexpr Dword PurgeRx = 1;
inline constexpr Dword PurgeTx = 2;
inline constexpr Uchar Bits8 = 8;
inline constexpr Uchar StopBits1 = 0;
inline constexpr Uchar ParityNone = 0;
// FT_GetModemStatus: the line status register in the second byte; its bit 6
// says the transmitter is empty.
inline constexpr Dword TransmitterEmpty = 0x4000;

// The functions used, by their names in the library.
struct Functions {
    Status(ZRX_D2XX_CALL *FT_CreateDeviceInfoList)(Dword *count);
    Status(ZRX_D2XX_CALL *FT_GetDeviceInfoList)(DeviceNode *nodes, Dword *count);
    Status(ZRX_D2XX_CALL *FT_Open)(int index, Handle *handle);
    Status(ZRX_D2XX_CALL *FT_Close)(Handle handle);
    Status(ZRX_D2XX_CALL *FT_GetComPortNumber)(Handle handle, Long *portNumber);
    Status(ZRX_D2XX_CALL *FT_SetBitMode)(Handle handle, Uchar mask, Uchar mode);
    Status(ZRX_D2XX_CALL *FT_SetBaudRate)(Handle handle, Dword baudRate);
    Status(ZRX_D2XX_CALL *FT_SetDataCharacteristics)(Handle handle, Uchar wordLength, Uchar stopBits, Uchar parity);
    Status(ZRX_D2XX_CALL *FT_SetLatencyTimer)(Handle handle, Uchar milliseconds);
    Status(ZRX_D2XX_CALL *FT_SetTimeouts)(Handle handle, Dword readMs, Dword writeMs);
    Status(ZRX_D2XX_CALL *FT_Purge)(Handle handle, Dword mask);
    Status(ZRX_D2XX_CALL *FT_GetQueueStatus)(Handle handle, Dword *bytesWaiting);
    Status(ZRX_D2XX_CALL *FT_Read)(Handle handle, void *buffer, Dword count, Dword *returned);
    Status(ZRX_D2XX_CALL *FT_Write)(Handle handle, const void *buffer, Dword count, Dword *written);
    Status(ZRX_D2XX_CALL *FT_SetDtr)(Handle handle);
    Status(ZRX_D2XX_CALL *FT_ClrDtr)(Handle handle);
    Status(ZRX_D2XX_CALL *FT_SetRts)(Handle handle);
    Status(ZRX_D2XX_CALL *FT_ClrRts)(Handle handle);
    Status(ZRX_D2XX_CALL *FT_GetModemStatus)(Handle handle, Dword *status);
};

// The guide's name of a status ("FT_DEVICE_NOT_FOUND", or its number).
std::string status_name(Status status);

// Every device FTDI's driver lists now, in FT_Open's numbering.
Status list_devices(const Functions &ft, std::vector<DeviceNode> &nodes);
// A node's serial number as text (the field need not end in a NUL).
std::string serial_number(const DeviceNode &node);

} // namespace zrx::d2xx
