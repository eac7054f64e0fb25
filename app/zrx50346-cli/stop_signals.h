#pragma once

#include <QString>

namespace zrx {

// SIGINT (Ctrl+C), SIGTERM (a test executive's time-out) and SIGHUP (the
// terminal gone); on Windows Ctrl+C, Ctrl+Break and closing the console, with
// the console's own handler. Every one is caught, not only the first, for the
// whole run of a command. The handler only notes the request; the commands
// look at it between two frames, so a stop never lands inside a bus
// transaction, and a burn once begun is never looked at all. The previous
// handlers come back when this goes (on Windows, a console close waiting for
// the run may then let the process end).
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
};

} // namespace zrx
