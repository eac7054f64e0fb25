#pragma once

#include <QString>

#include <chrono>
#include <cstddef>

namespace zrx {

// The FTDI chips as both drivers' libraries tell them apart, numbered as
// libftdi's ftdi_chip_type (libftdi_driver.cpp checks that they agree).
enum class FtdiChipType { AM = 0, BM = 1, FT2232C = 2, R = 3, FT2232H = 4, FT4232H = 5, FT232H = 6, FTX = 7 };

// What the program knows of an FTDI chip's synchronous bit-bang mode, by the
// chip type and the adapter's port. The rate handed to
// libftdi is the same everywhere; how long a state comes out of it is not.
struct FtdiChipFamily {
    QString name;
    // Empty when fast mode can run here; otherwise why not.
    QString refusal;
    // How long one state lasts at the program's bit-bang rate, as the
    // family's documents give it or as derived from libftdi's divisor. The
    // adapter's own clock is timed at opening all the same.
    std::chrono::nanoseconds statePeriod{0};
    // The chip's buffer towards the host, in bytes: in synchronous bit-bang
    // mode the samples of the states written wait there, and once it is full
    // the chip stops moving states.
    std::size_t readBuffer = 0;
};

// `port` is 0 for the chip's first.
FtdiChipFamily ftdi_chip_family(FtdiChipType chipType, int port);

// The rate ftdi_set_baudrate is handed in bit-bang mode.
inline constexpr int FtdiBitBangRate = 3000;

// The shortest line state the bus may see.
inline constexpr std::chrono::nanoseconds ShortestState = std::chrono::microseconds(5);

} // namespace zrx
