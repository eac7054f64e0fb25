#include "stop_signals.h"

#include "core/wait_seconds.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cmath>
#include <csignal>

namespace zrx {
namespace {

// All a signal handler may safely touch: the first signal that came, 0 before.
volatile std::sig_atomic_t StopSignal = 0;

void note_stop_request(int signal)
{
    if (StopSignal == 0)
        StopSignal = signal;
}

// How soon a pause notices a stop request.
constexpr double PauseSliceSeconds = 0.02;

} // namespace

StopSignals::StopSignals()
{
    StopSignal = 0;
    m_previousInterrupt = std::signal(SIGINT, note_stop_request);
    m_previousTerminate = std::signal(SIGTERM, note_stop_request);
#ifdef SIGHUP
    m_previousHangUp = std::signal(SIGHUP, note_stop_request);
#endif
}

StopSignals::~StopSignals()
{
    std::signal(SIGINT, m_previousInterrupt);
    std::signal(SIGTERM, m_previousTerminate);
#ifdef SIGHUP
    std::signal(SIGHUP, m_previousHangUp);
#endif
}

bool StopSignals::stop_requested() const
{
    return StopSignal != 0;
}

QString StopSignals::signal_name() const
{
    switch (StopSignal) {
    case 0:
        return {};
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
#ifdef SIGHUP
    case SIGHUP:
        return QStringLiteral("SIGHUP");
#endif
    default:
        return QStringLiteral("signal %1").arg(int(StopSignal));
    }
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
