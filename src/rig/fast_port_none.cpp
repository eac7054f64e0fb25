#include "rig/fast_port.h"

namespace zrx {

// Built without an FTDI library: fast mode says why (fast_mode_not_built_reason).
std::unique_ptr<FastPortControl> make_fast_port(const PortDeviceTable &)
{
    return nullptr;
}

} // namespace zrx
