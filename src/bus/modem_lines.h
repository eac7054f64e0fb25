#pragma once

#include <chrono>

namespace zrx {

// The three modem-line operations the bus algorithm is built on, and nothing
// else: the bus never learns what kind of port is behind them. Each call takes
// effect at once (the line has its new level when the call returns), and
// every call reaches the driver, even one that changes nothing, because on
// real hardware the calls themselves pace the bus.
//
// A port that sends whole buffers of line states (an adapter in bit-bang
// mode) may instead queue the calls, like the kernel's i2c-algo-bit between
// pre_xfer and post_xfer: the bus marks the groups with the three calls at
// the end, whose defaults suit a port that answers every call at once. A
// group is one transaction, or several (a read-back's): their line sequence
// never depends on what is read during them, so it can go out in one piece.
class ModemLines {
public:
    virtual ~ModemLines() = default;
    virtual void set_dtr(bool asserted) = 0;
    virtual void set_rts(bool asserted) = 0;
    // True while DSR is asserted.
    virtual bool dsr() = 0;

    // Reads DSR into `answer` (true while asserted), which a queuing port
    // fills only at the next flush_lines(); `answer` must live until then.
    virtual void read_dsr_into(bool &answer) { answer = dsr(); }
    // Everything queued goes out and every pending answer is filled before
    // this returns.
    virtual void flush_lines() {}
    // The lines keep their present levels for at least this long before the
    // next queued change; a port that answers every call at once has already
    // spent the time in the calls themselves.
    virtual void hold_lines(std::chrono::nanoseconds) {}
};

} // namespace zrx
