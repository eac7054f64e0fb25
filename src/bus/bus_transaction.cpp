#include "bus/bus_transaction.h"

namespace zrx {
namespace {

using Kind = BusTransaction::Kind;

// The top three bits of a channel frame's third byte.
constexpr int WorkingRegisterMode = 0b100;
constexpr int OtpProgramMode = 0b010;

} // namespace

Kind classify_transaction(const BusTransaction &t, bool complete)
{
    if (!complete || t.count == 0)
        return Kind::Other;
    const int address = t.bytes[0];
    if (address == 0x00)
        return t.count == 2 && t.bytes[1] == 0x06 ? Kind::GeneralCallReset : Kind::Other;
    if (address & 1)
        return t.count == 3 ? Kind::WordRead : Kind::Other;
    if (t.count == 2)
        return Kind::PointerWrite;
    if (t.count == 4) {
        const int mode = t.bytes[2] >> 5;
        if (mode == WorkingRegisterMode)
            return Kind::ChannelWrite;
        if (mode == OtpProgramMode)
            return Kind::ProgrammingFrame;
    }
    return Kind::Other;
}

} // namespace zrx
