#pragma once

#include <QtGlobal>

namespace zrx::ftdi_pins {

// In bit-bang mode the UART pins of an FT232R become the bits of one port,
// as they do on the first port of the FT-X, FT2232 and FT232H families:
inline constexpr quint8 Txd = 0x01; // D0
inline constexpr quint8 Rxd = 0x02; // D1
inline constexpr quint8 Rts = 0x04; // D2
inline constexpr quint8 Cts = 0x08; // D3
inline constexpr quint8 Dtr = 0x10; // D4
inline constexpr quint8 Dsr = 0x20; // D5
inline constexpr quint8 Dcd = 0x40; // D6
inline constexpr quint8 Ri = 0x80;  // D7

// The program drives the clock (DTR), the data line (RTS) and TXD, which it
// holds at a quiet UART's idle level; everything else stays an input.
inline constexpr quint8 Outputs = Txd | Rts | Dtr;

// How a modem line appears on its pin. The pins keep the UART's sense, in
// which an asserted line is a low pin; this table is the only place that
// knows it.
struct LinePin {
    quint8 pin;
    bool assertedIsHigh;
};
inline constexpr LinePin DtrLine{Dtr, false};
inline constexpr LinePin RtsLine{Rts, false};
inline constexpr LinePin DsrLine{Dsr, false};
// A UART's transmit line rests high (mark).
inline constexpr bool TxdIdleHigh = true;

constexpr quint8 with_line(quint8 pins, LinePin line, bool asserted)
{
    return asserted == line.assertedIsHigh ? quint8(pins | line.pin) : quint8(pins & ~line.pin);
}

constexpr bool line_asserted(quint8 pins, LinePin line)
{
    return ((pins & line.pin) != 0) == line.assertedIsHigh;
}

// TXD at rest and the given DTR and RTS.
constexpr quint8 state_of(bool dtrAsserted, bool rtsAsserted)
{
    return with_line(with_line(TxdIdleHigh ? Txd : 0, DtrLine, dtrAsserted), RtsLine, rtsAsserted);
}

// Bus idle: both lines released.
inline constexpr quint8 Released = state_of(false, false);

} // namespace zrx::ftdi_pins
