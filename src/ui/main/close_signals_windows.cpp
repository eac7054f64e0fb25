#include "ui/main/close_signals.h"

#include <QWidget>

namespace zrx {

// Windows sends a console program's window no such signals: closing it is
// the close button's business alone.
CloseSignals::CloseSignals(QWidget *window) : QObject(window), m_window(window) {}
CloseSignals::~CloseSignals() = default;

} // namespace zrx
