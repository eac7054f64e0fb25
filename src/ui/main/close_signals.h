#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace zrx {

// SIGINT, SIGTERM and SIGHUP close the window as its close button does: the
// settings stored, the port closed, and an adapter in fast mode given back to
// the system's serial driver with its lines released. Killed outright, the
// program could do none of that. The handler only writes a byte to a pipe;
// the window closes from the event loop, between two handlers, never inside
// a bus transaction. One at a time; the previous handlers come back when it
// goes. (Unix only; elsewhere it does nothing.)
class CloseSignals final : public QObject {
    Q_OBJECT
public:
    explicit CloseSignals(QWidget *window);
    ~CloseSignals() override;

private:
    QWidget *m_window;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace zrx
