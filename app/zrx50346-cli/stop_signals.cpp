#include "stop_signals.h"

#include "core/wait_seconds.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cmath>
#include <csignal>

namespace zrx {
namespace {

// All a signal handler may safely touch.
volatile std::sig_atomic_t StopRequested = 0;

void note_stop_request(int)
{
    StopRequested = 1;
}

// How soon a pause notices a stop request.
constexpr double PauseSliceSeconds = 0.02;

} // namespace

StopSignals::StopSignals()
{
    StopRequested = 0;
    m_previousInterrupt = std::signal(SIGINT, note_stop_request);
    m_previousTerminate = std::signal(SIGTERM, note_stop_request);
}

StopSignals::~StopSignals()
{
    std::signal(SIGINT, m_previousInterrupt);
    std::signal(SIGTERM, m_previousTerminate);
}

bool StopSignals::stop_requested() const
{
    return StopRequested != 0;
}

bool StopSignals::pause(double seconds) const
{
    constexpr double LongestPauseSeconds = 24.0 * 3600.0;
    const auto ms = qint64(std::ceil(std::min(seconds, LongestPauseSeconds) * 1000.0));
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    while (!stop_requested() && !deadline.hasExpired())
        wait_seconds(std::min(PauseSliceSeconds, double(deadline.remainingTime()) / 1000.0));
    return stop_requested();
}

} // namespace zrx
