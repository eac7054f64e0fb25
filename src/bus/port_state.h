#pragma once

#include <QStringList>

#include <array>

namespace zrx {

inline constexpr int HighestPortNumber = 16;

// The port selection and what the start-up scan found.
struct PortState {
    // 0 means no port selected; 1..16 is COM1..COM16. A value read from an
    // edited settings store may lie outside that range.
    int PortNumb = 0;
    qint32 BitRate = 0;
    // "COM" & n for every port found, ascending; PortCount == PortNames.size().
    QStringList PortNames;
    int PortCount = 0;
    // Index 0 is never set; only the scan sets entries, only a refused open clears one.
    std::array<bool, HighestPortNumber + 1> PortAvailable{};
    // The port went away in the middle of the traffic, which may have left a
    // chip driving the data line half-way through a byte: the next opening of
    // PortNumb for use clears the bus before anything else goes out.
    bool BusClearOwed = false;
};

} // namespace zrx
