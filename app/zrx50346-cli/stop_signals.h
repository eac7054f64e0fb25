#pragma once

#include <QString>

namespace zrx {

// SIGINT (Ctrl+C), SIGTERM (a test executive's time-out) and SIGHUP (the
// terminal gone) for the whole run of a command. The handler only notes the
// request; the commands look at it between two frames, so a stop never lands
// inside a bus transaction, and a burn once begun is never looked at all.
// The previous handlers come back when this goes.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    bool stop_requested() const;
    // The first signal that came: "SIGTERM"; empty while none has.
    QString signal_name() const;

    // Waits the given seconds, or less when a stop is requested on the way.
    // Events are handled meanwhile. True when a stop has been requested.
    bool pause(double seconds) const;

private:
    using Handler = void (*)(int);
    Handler m_previousInterrupt;
    Handler m_previousTerminate;
    Handler m_previousHangUp = nullptr;
};

} // namespace zrx
