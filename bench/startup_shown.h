#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace zrx {

// Returns once the window system has put the window on the screen: the
// moment a user would see it.
inline void wait_until_shown(QWidget &widget)
{
    while (!widget.windowHandle() || !widget.windowHandle()->isExposed()) {
        QCoreApplication::processEvents();
        QThread::usleep(100);
    }
    QCoreApplication::processEvents();
}

// Writes this process's peak resident memory in KiB to the file named by
// ZRX_PEAK_MEMORY_FILE, when it is set. VmHWM counts this program's own
// memory only, unlike the rusage figure, which also counts the process that
// spawned it.
inline void report_peak_memory()
{
    const QString target = qEnvironmentVariable("ZRX_PEAK_MEMORY_FILE");
    QFile status(QStringLiteral("/proc/self/status"));
    if (target.isEmpty() || !status.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            QFile out(target);
            if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                out.write(line.mid(6).trimmed().split(' ').value(0) + '\n');
        }
    }
}

} // namespace zrx
