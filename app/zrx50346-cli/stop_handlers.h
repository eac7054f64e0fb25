#pragma once

// The system's side of StopSignals, one file per platform: handlers that only
// note a stop request, for the commands to look at between two frames. Free
// of Qt, so each platform's file builds with the system's headers alone.
namespace zrx {

// Catches every stop request from here on, not only the first; a request
// noted by an earlier run is forgotten.
void install_stop_handlers();
// Puts the previous handlers back. Also tells a console close that waits
// for the run (Windows) that the run has ended.
void remove_stop_handlers();
// The first request that came; 0 while none has.
int noted_stop_request();
// Its name in messages and the log: "SIGTERM", "Ctrl+Break", "console
// close"; nullptr for a number with no name.
const char *stop_request_name(int request);

} // namespace zrx
