#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

namespace zrx {

// A message with only an OK button. The text may hold CR LF line breaks.
struct MessageRequest {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Shows the message and returns when the user has dismissed it.
using ShowMessage = std::function<void(QWidget *parent, const MessageRequest &request)>;

// The box for a request, not yet shown; CR LF becomes a plain line break.
std::unique_ptr<QMessageBox> make_message_box(QWidget *parent, const MessageRequest &request);

// The real, modal box; tests put their own ShowMessage in its place.
void show_message_box(QWidget *parent, const MessageRequest &request);

} // namespace zrx
