#include "stop_handlers.h"

#include <windows.h>

#include <csignal>

namespace zrx {
namespace {

// Console events that have no signal number of their own.
enum ConsoleRequest : LONG { ConsoleClose = 1001, LogOff = 1002, ShutDown = 1003 };

// The first request that came, 0 before; set from the console's handler
// thread and from signal handlers alike.
volatile LONG StopRequest = 0;
// Set when the run has ended: the record is on the disk, the port closed.
HANDLE RunEnded = nullptr;

// Windows ends the process about 5 s after a close event, whatever the
// handler does: wait a little less, so the process ends with the record of a
// run that ended in time.
constexpr DWORD CloseWaitMs = 4500;

void note_stop_request(LONG request)
{
    InterlockedCompareExchange(&StopRequest, request, 0);
}

BOOL WINAPI console_event(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
        note_stop_request(SIGINT);
        return TRUE;
    case CTRL_BREAK_EVENT:
        note_stop_request(SIGBREAK);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        note_stop_request(event == CTRL_CLOSE_EVENT ? ConsoleClose : event == CTRL_LOGOFF_EVENT ? LogOff : ShutDown);
        // The process ends when this returns: a stop before the burn ends
        // within a frame and is waited for; a burn taking longer is not.
        WaitForSingleObject(RunEnded, CloseWaitMs);
        return TRUE;
    default:
        return FALSE;
    }
}

// raise() and the C runtime's own signals (the tests raise SIGINT). The
// runtime resets a handler to the default before calling it: put it back
// first, so a second one is caught too.
void note_signal(int signal)
{
    std::signal(signal, note_signal);
    note_stop_request(signal);
}

using Handler = void (*)(int);
Handler PreviousInterrupt = SIG_DFL;
Handler PreviousTerminate = SIG_DFL;
Handler PreviousBreak = SIG_DFL;

} // namespace

void install_stop_handlers()
{
    StopRequest = 0;
    if (!RunEnded)
        RunEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(RunEnded);
    PreviousInterrupt = std::signal(SIGINT, note_signal);
    PreviousTerminate = std::signal(SIGTERM, note_signal);
    PreviousBreak = std::signal(SIGBREAK, note_signal);
    // Called before the runtime's handler: Ctrl+C and Ctrl+Break stop here,
    // every time, for as long as the run lasts.
    SetConsoleCtrlHandler(console_event, TRUE);
}

void remove_stop_handlers()
{
    SetConsoleCtrlHandler(console_event, FALSE);
    std::signal(SIGINT, PreviousInterrupt);
    std::signal(SIGTERM, PreviousTerminate);
    std::signal(SIGBREAK, PreviousBreak);
    // A close event waiting in its handler may let the process end now.
    SetEvent(RunEnded);
}

int noted_stop_request()
{
    return int(StopRequest);
}

const char *stop_request_name(int request)
{
    switch (request) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGBREAK:
        return "Ctrl+Break";
    case ConsoleClose:
        return "console close";
    case LogOff:
        return "logoff";
    case ShutDown:
        return "shutdown";
    default:
        return nullptr;
    }
}

} // namespace zrx
