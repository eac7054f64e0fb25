#pragma once

#include "bus/ftdi/d2xx_api.h"

#include <string>

namespace zrx::d2xx {

// FTDI's D2XX library as this process found it: every function fast mode
// uses, or why not. Loaded once and kept to the end of the process; after a
// miss, the next call looks again (the driver may be installed meanwhile).
struct Library {
    Functions functions{};
    // Empty when every function is there.
    std::string missing;
};

// The 64-bit ftd2xx.dll from the system's search path: the one FTDI's
// driver installs in the system folder, or one beside the program (the
// tests' fake).
const Library &load_library();

#ifdef _WIN32
// One try at a library file, not kept: what load_library() does, for any
// file name.
Library load_library_file(const wchar_t *file);
#endif

} // namespace zrx::d2xx
