#include "stop_handlers.h"

#include <csignal>

namespace zrx {
namespace {

// All a signal handler may safely touch: the first signal that came, 0 before.
volatile std::sig_atomic_t StopRequest = 0;

constexpr int CaughtSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction PreviousActions[3];

void note_stop_request(int signal)
{
    if (StopRequest == 0)
        StopRequest = signal;
}

} // namespace

void install_stop_handlers()
{
    StopRequest = 0;
    // sigaction, not signal(): the handler stays for every delivery on every
    // system. Calls interrupted by it are restarted, as signal() has them.
    struct sigaction action {};
    action.sa_handler = note_stop_request;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(CaughtSignals[i], &action, &PreviousActions[i]);
}

void remove_stop_handlers()
{
    for (int i = 0; i < 3; ++i)
        sigaction(CaughtSignals[i], &PreviousActions[i], nullptr);
}

int noted_stop_request()
{
    return StopRequest;
}

const char *stop_request_name(int request)
{
    switch (request) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return nullptr;
    }
}

} // namespace zrx
