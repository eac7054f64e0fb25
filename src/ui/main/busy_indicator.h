#pragma once

#include "device/bus_work.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QStatusBar;
class QWidget;

namespace zrx {

// Keeps the windows alive while one user action's bus work goes on long, as
// it does on a USB serial adapter that takes a millisecond per line change.
//
// An action runs from its handler's start to its end (BusWorkAction). Once it
// has taken BusyAfterMs, between two transactions: the wait
// cursor is on, the status line names the step ("Reading register 12 of
// 25"), and every YieldIntervalMs the window system may repaint and run
// its timers, but user input is held back until the action ends, as a frozen
// window would hold it, so no action starts inside another. Shorter work
// looks exactly as before: nothing is shown and no event is processed.
class BusyIndicator final : public QObject, public BusWorkObserver {
    Q_OBJECT
public:
    static constexpr qint64 BusyAfterMs = 200;
    static constexpr qint64 YieldIntervalMs = 50;

    explicit BusyIndicator(QStatusBar &statusBar, QObject *parent = nullptr);
    ~BusyIndicator() override;
    BusyIndicator(const BusyIndicator &) = delete;
    BusyIndicator &operator=(const BusyIndicator &) = delete;

    // A window to show once the work gets long, so its progress can be seen
    // (start-up runs before the main window is shown); nullptr for none.
    void show_when_long(QWidget *window) { m_windowToShow = window; }

    // Whether events are being handled in the middle of an action's bus work,
    // with user input held back.
    bool holding_input() const { return m_holdingInput; }

    void action_begins() override;
    void bus_work_step(const BusWorkStep &step) override;
    void action_ends() override;

    // The text the status line shows for the work so far.
    QString progress_text() const;
    // The width the status line gives a message, in pixels.
    int message_room() const;

signals:
    // The outermost action has ended.
    void action_ended();

private:
    QStatusBar &m_statusBar;
    QPointer<QWidget> m_windowToShow;
    QElapsedTimer m_clock;
    qint64 m_lastYieldMs = 0;
    // The step that names the work (reading, programming, loading...) and
    // the channel written last; plain writes only name the work when nothing
    // else does.
    BusWorkStep m_headline;
    bool m_hasHeadline = false;
    int m_lastWrittenChannel = 0;
    int m_depth = 0;
    bool m_shown = false;
    bool m_holdingInput = false;
};

} // namespace zrx
