#pragma once

namespace zrx {

// Ctrl+C (SIGINT) and SIGTERM while a batch runs. The handler only notes the
// request; the batch looks at it between files and during its pause, so a
// stop never lands inside a bus transaction. The previous handlers come back
// when this goes.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    bool stop_requested() const;

    // Waits the given seconds, or less when a stop is requested on the way.
    // Events are handled meanwhile. True when a stop has been requested.
    bool pause(double seconds) const;

private:
    using Handler = void (*)(int);
    Handler m_previousInterrupt;
    Handler m_previousTerminate;
};

} // namespace zrx
