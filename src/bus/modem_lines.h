#pragma once

namespace zrx {

// The three modem-line operations the bus algorithm is built on, and nothing
// else: the bus never learns what kind of port is behind them. Each call takes
// effect at once (the line has its new level when the call returns), and
// every call reaches the driver, even one that changes nothing, because on
// real hardware the calls themselves pace the bus.
class ModemLines {
public:
    virtual ~ModemLines() = default;
    virtual void set_dtr(bool asserted) = 0;
    virtual void set_rts(bool asserted) = 0;
    // True while DSR is asserted.
    virtual bool dsr() = 0;
};

} // namespace zrx
