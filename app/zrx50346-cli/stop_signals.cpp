#include "stop_signals.h"

#include "stop_handlers.h"

#include "core/wait_seconds.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cmath>

namespace zrx {
namespace {

// How soon a pause notices a stop request.
constexpr double PauseSliceSeconds = 0.02;

} // namespace

StopSignals::StopSignals()
{
    install_stop_handlers();
}

StopSignals::~StopSignals()
{
    remove_stop_handlers();
}

bool StopSignals::stop_requested() const
{
    return noted_stop_request() != 0;
}

QString StopSignals::signal_name() const
{
    const int request = noted_stop_request();
    if (request == 0)
        return {};
    const char *name = stop_request_name(request);
    return name ? QString::fromLatin1(name) : QStringLiteral("signal %1").arg(request);
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
