#pragma once

namespace zrx {

// What a pause does with the clicks and keys given during it.
enum class PauseInput {
    Handled, // at once, inside the pause (a batch run's Stop button)
    Held,    // after the caller's whole command; repaint and timers still run
};

// Pauses for the given seconds while the event loop keeps running, so a
// handler (a Stop button, a timer) can run to completion inside the pause.
// Measured on a monotonic clock and sleeping between events, so it neither
// ends early when the wall clock jumps nor keeps a core busy.
void wait_seconds(double seconds, PauseInput input = PauseInput::Handled);

// Lets the window system handle what is pending, once, without waiting.
void process_pending_events();

} // namespace zrx
