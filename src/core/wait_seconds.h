#pragma once

namespace zrx {

// Pauses for the given seconds while the event loop keeps running, so any
// handler (a Stop button, a second click) can run to completion inside the
// pause. Measured on a monotonic clock and sleeping between events, so it
// neither ends early when the wall clock jumps nor keeps a core busy.
void wait_seconds(double seconds);

// Lets the window system handle what is pending, once, without waiting.
void process_pending_events();

} // namespace zrx
