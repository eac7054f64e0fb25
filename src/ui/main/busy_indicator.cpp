#include "ui/main/busy_indicator.h"

#include "core/channel_table.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QSizeGrip>
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

// Short enough for the status line of the window at its default size; a
// file's name gives way in the middle, so the count stays in view.
QString BusyIndicator::progress_text() const
{
    using Kind = BusWorkStep::Kind;
    const QString channel = channel_label(m_lastWrittenChannel);
    if (!m_hasHeadline)
        return QStringLiteral("Writing channel %1").arg(channel);
    const BusWorkStep &h = m_headline;
    switch (h.kind) {
    case Kind::ReadingRegister:
        // After the last register, the rows that changed are written back.
        if (h.done == h.total && m_lastWrittenChannel > 0)
            return QStringLiteral("Writing back channel %1").arg(channel);
        return QStringLiteral("Reading register %1 of %2").arg(h.done).arg(h.total);
    case Kind::ProgrammingOtp:
        return QStringLiteral("Burning channel %1 of %2").arg(h.done).arg(h.total);
    case Kind::Resetting:
        return QStringLiteral("Resetting the chip");
    case Kind::LoadingFile: {
        const QString prefix = QStringLiteral("Loading ");
        const QString count = QStringLiteral(": %1 of %2").arg(h.done).arg(h.total);
        const QFontMetrics metrics(m_statusBar.font());
        const int nameRoom = message_room() - metrics.horizontalAdvance(prefix + count);
        return prefix + metrics.elidedText(h.name, Qt::ElideMiddle, std::max(nameRoom, 0)) + count;
    }
    case Kind::WritingChannel:
        break;
    }
    return QStringLiteral("Writing channel %1").arg(channel);
}

// What the status line leaves a message: its width less the margins it
// keeps and the size grip.
int BusyIndicator::message_room() const
{
    constexpr int LeftMargin = 6;
    constexpr int RightMargin = 12;
    const QSizeGrip *grip = m_statusBar.findChild<QSizeGrip *>();
    const int right = grip && grip->isVisible() ? grip->x() : m_statusBar.width() - RightMargin;
    return right - LeftMargin;
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
