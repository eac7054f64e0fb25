#pragma once

#include <QtGlobal>

#include <array>

namespace zrx {

// One finished bus transaction as it went over the lines, told apart by its
// bytes alone: the program's own frames have shapes nothing else shares.
struct BusTransaction {
    enum class Kind : quint8 {
        ChannelWrite,     // [address+W, register, 100000 d9 d8, d7..d0]
        ProgrammingFrame, // the same frame with mode bits 010: burns OTP
        PointerWrite,     // [address+W, register]
        WordRead,         // [address+R, high byte, low byte]
        GeneralCallReset, // [00, 06]
        StepMarker,       // raw bytes on the transmit data line
        Other,            // any other shape, or a byte cut short
    };

    // More than any of the program's transactions carries; longer ones keep
    // their first bytes and their true count.
    static constexpr int MaxBytes = 8;

    Kind kind = Kind::Other;
    // Bytes on the wire, the address byte first (read bytes as DSR showed them).
    std::array<quint8, MaxBytes> bytes{};
    int count = 0;
    // WordRead: the register the last pointer write to this chip chose,
    // -1 when none came before it.
    int pointer = -1;

    // Only the transaction: the time stamp belongs to the log.
    friend bool operator==(const BusTransaction &, const BusTransaction &) = default;
};

// Sorts a finished transaction by its bytes (count and pointer already set).
// `complete` is false when the STOP cut a byte short.
BusTransaction::Kind classify_transaction(const BusTransaction &transaction, bool complete);

} // namespace zrx
