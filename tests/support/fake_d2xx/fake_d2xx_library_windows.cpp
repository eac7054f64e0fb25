#include "fake_d2xx.h"

#include <windows.h>

namespace zrx {

// The fake ftd2xx.dll beside the test is told where to pass the calls on
// before the product's loader finds it, as it would find FTDI's.
const d2xx::Library &fake_d2xx_library()
{
    static const d2xx::Functions functions = fake_d2xx_functions();
    static const bool forwarded = [] {
        HMODULE module = LoadLibraryW(L"ftd2xx.dll");
        auto forward_to = reinterpret_cast<void (*)(const d2xx::Functions *)>(
            reinterpret_cast<void *>(GetProcAddress(module, "zrx_fake_d2xx_forward_to")));
        if (forward_to)
            forward_to(&functions);
        return forward_to != nullptr;
    }();
    static const d2xx::Library none{{}, "the fake ftd2xx.dll is not beside the test"};
    return forwarded ? d2xx::load_library() : none;
}

} // namespace zrx
