#include "fake_d2xx.h"

namespace zrx {

// No ftd2xx.dll to load here: the functions are handed over as they are.
const d2xx::Library &fake_d2xx_library()
{
    static const d2xx::Library library{fake_d2xx_functions(), {}};
    return library;
}

} // namespace zrx
