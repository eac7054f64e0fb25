#include "ui/main/busy_indicator.h"

#include "core/channel_table.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStatusBar>
#include <QWidget>

namespace zrx {

BusyIndicator::BusyIndicator(QStatusBar &statusBar, QObject *parent) : QObject(parent), m_statusBar(statusBar) {}

BusyIndicator::~BusyIndicator()
{
    if (m_shown)
        QGuiApplication::restoreOverrideCursor();
}

void BusyIndicator::action_begins()
{
    if (m_depth++ > 0)
        return;
    m_hasHeadline = false;
    m_lastWrittenChannel = 0;
    m_lastYieldMs = 0;
    m_clock.start();
}

void BusyIndicator::bus_work_step(const BusWorkStep &step)
{
    // Work outside any action (none of the program's) is not watched.
    if (m_depth == 0)
        return;
    if (step.kind == BusWorkStep::Kind::WritingChannel) {
        m_lastWrittenChannel = step.done;
    } else {
        m_headline = step;
        m_hasHeadline = true;
    }

    const qint64 elapsed = m_clock.elapsed();
    if (elapsed < BusyAfterMs)
        return;
    if (!m_shown) {
        m_shown = true;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_windowToShow && !m_windowToShow->isVisible())
            m_windowToShow->show();
    } else if (elapsed - m_lastYieldMs < YieldIntervalMs) {
        return;
    }
    m_lastYieldMs = elapsed;
    m_statusBar.showMessage(progress_text());
    m_holdingInput = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_holdingInput = false;
}

QString BusyIndicator::progress_text() const
{
    using Kind = BusWorkStep::Kind;
    const QString channel = channel_label(m_lastWrittenChannel);
    if (!m_hasHeadline)
        return QStringLiteral("Writing channel %1 to the chip").arg(channel);
    const BusWorkStep &h = m_headline;
    switch (h.kind) {
    case Kind::ReadingRegister:
        // After the last register, the rows that changed are written back.
        if (h.done == h.total && m_lastWrittenChannel > 0)
            return QStringLiteral("Reading the chip: writing back channel %1").arg(channel);
        return QStringLiteral("Reading the chip: register %1 of %2").arg(h.done).arg(h.total);
    case Kind::ProgrammingOtp:
        return QStringLiteral("Programming OTP: channel %1 of %2").arg(h.done).arg(h.total);
    case Kind::Resetting:
        return QStringLiteral("Resetting the chip");
    case Kind::LoadingFile:
        return QStringLiteral("Loading %1: channel %2 of %3").arg(h.name).arg(h.done).arg(h.total);
    case Kind::WritingChannel:
        break;
    }
    return QStringLiteral("Writing channel %1 to the chip").arg(channel);
}

void BusyIndicator::action_ends()
{
    Q_ASSERT(m_depth > 0);
    if (m_depth == 0 || --m_depth > 0)
        return;
    if (m_shown) {
        m_shown = false;
        m_statusBar.clearMessage();
        QGuiApplication::restoreOverrideCursor();
    }
    emit action_ended();
}

} // namespace zrx
