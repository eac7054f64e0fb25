#include "bus/ftdi/d2xx_library.h"

#include <windows.h>

namespace zrx::d2xx {
namespace {

template <typename Function>
bool find(HMODULE module, const char *name, Function &function, std::string &missing)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    if (!function && missing.empty())
        missing = std::string("ftd2xx.dll has no ") + name + " (a D2XX library older than FTDI's 2.x drivers)";
    return function != nullptr;
}

} // namespace

Library load_library_file(const wchar_t *file)
{
    Library library;
    HMODULE module = LoadLibraryW(file);
    if (!module) {
        library.missing = "FTDI's D2XX library (ftd2xx.dll) was not found: it comes with FTDI's driver for the "
                          "adapter (error " + std::to_string(GetLastError()) + ")";
        return library;
    }
    Functions &f = library.functions;
    std::string &m = library.missing;
    find(module, "FT_CreateDeviceInfoList", f.FT_CreateDeviceInfoList, m);
    find(module, "FT_GetDeviceInfoList", f.FT_GetDeviceInfoList, m);
    find(module, "FT_Open", f.FT_Open, m);
    find(module, "FT_Close", f.FT_Close, m);
    find(module, "FT_GetComPortNumber", f.FT_GetComPortNumber, m);
    find(module, "FT_SetBitMode", f.FT_SetBitMode, m);
    find(module, "FT_SetBaudRate", f.FT_SetBaudRate, m);
    find(module, "FT_SetDataCharacteristics", f.FT_SetDataCharacteristics, m);
    find(module, "FT_SetLatencyTimer", f.FT_SetLatencyTimer, m);
    find(module, "FT_SetTimeouts", f.FT_SetTimeouts, m);
    find(module, "FT_Purge", f.FT_Purge, m);
    find(module, "FT_GetQueueStatus", f.FT_GetQueueStatus, m);
    find(module, "FT_Read", f.FT_Read, m);
    find(module, "FT_Write", f.FT_Write, m);
    find(module, "FT_SetDtr", f.FT_SetDtr, m);
    find(module, "FT_ClrDtr", f.FT_ClrDtr, m);
    find(module, "FT_SetRts", f.FT_SetRts, m);
    find(module, "FT_ClrRts", f.FT_ClrRts, m);
    find(module, "FT_GetModemStatus", f.FT_GetModemStatus, m);
    if (!m.empty()) {
        FreeLibrary(module);
        library.functions = {};
    }
    return library;
}

// The user interface thread is the only caller.
const Library &load_library()
{
    static Library library;
    if (!library.missing.empty() || !library.functions.FT_Open)
        library = load_library_file(L"ftd2xx.dll");
    return library;
}

} // namespace zrx::d2xx
