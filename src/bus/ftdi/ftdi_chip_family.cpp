#include "bus/ftdi/ftdi_chip_family.h"

#include <QCoreApplication>

namespace zrx {
namespace {

using namespace std::chrono_literals;

// In bit-bang mode libftdi hands the chip four times the rate it is given
// (libftdi 1.5): 3000 -> 12000 baud.
constexpr int ChipBaud = FtdiBitBangRate * 4;

// The FT232R moves to its next state on every tick of a clock at 16 times
// its baud rate (FTDI AN232R-01): 192000 states a second, 5.21 us each.
// For the H chips libftdi takes the divisor from a 12 MHz reference instead
// of 3 MHz; with the state clock counting that divisor the way the FT232R's
// does, the states come out four times longer.
constexpr std::chrono::nanoseconds period(int statesPerBaud)
{
    return std::chrono::nanoseconds(1s) / (ChipBaud * statesPerBaud);
}
static_assert(period(16) >= ShortestState, "every line state must last at least 5 us");

const QString HighSpeed = QStringLiteral("FT2232H/FT4232H/FT232H");

QString tr(const char *text)
{
    return QCoreApplication::translate("FtdiChipFamily", text);
}

} // namespace

FtdiChipFamily ftdi_chip_family(FtdiChipType chipType, int port)
{
    // The read buffers are the datasheets' transmit buffers (per port on
    // the chips with several).
    switch (chipType) {
    case FtdiChipType::R:
        return {QStringLiteral("FT232R"), {}, period(16), 128};
    case FtdiChipType::FTX:
        // No FTDI document gives the FT-X family's ratio: taken as the
        // FT232R's, and the timing at opening decides.
        return {QStringLiteral("FT-X"), {}, period(16), 512};
    case FtdiChipType::FT2232C:
        // libftdi puts the port into the bit rate request only for the H
        // chips: on this chip's second port the request would set the first
        // port's rate, and the states would run at the tty's rate.
        if (port != 0)
            return {QStringLiteral("FT2232C/D"),
                    tr("on the second port of an FT2232C/D libftdi sets the first port's bit rate"), {}};
        return {QStringLiteral("FT2232C/D"), {}, period(16), 128};
    case FtdiChipType::FT2232H:
        return {HighSpeed, {}, period(4), 4096};
    case FtdiChipType::FT4232H:
        return {HighSpeed, {}, period(4), 2048};
    case FtdiChipType::FT232H:
        return {HighSpeed, {}, period(4), 1024};
    default:
        return {QStringLiteral("FT232AM/BM"), tr("the adapter's chip has no synchronous bit-bang mode"), {}};
    }
}

} // namespace zrx
