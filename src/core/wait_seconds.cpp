#include "core/wait_seconds.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cmath>

namespace zrx {

void wait_seconds(double seconds, PauseInput input)
{
    if (!(seconds > 0))
        return;
    // Longer than any sensible pause; keeps the millisecond count in range.
    constexpr double LongestPauseSeconds = 24.0 * 3600.0;
    const auto ms = static_cast<qint64>(std::ceil(std::min(seconds, LongestPauseSeconds) * 1000.0));

    if (!QCoreApplication::instance()) {
        QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The window system keeps held input queued, in order, for the next loop
    // that takes it: the program's own once the command has returned.
    const QEventLoop::ProcessEventsFlags flags =
        input == PauseInput::Held ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents;
    // A nested loop run by a handler inside the pause may swallow our timer's
    // moment; re-arm until the deadline has really passed.
    while (!deadline.hasExpired()) {
        timer.start(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
        loop.exec(flags);
    }
}

void process_pending_events()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace zrx
