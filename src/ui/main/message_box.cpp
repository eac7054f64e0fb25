#include "ui/main/message_box.h"

namespace zrx {

std::unique_ptr<QMessageBox> make_message_box(QWidget *parent, const MessageRequest &request)
{
    QString shown = request.text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    auto box = std::make_unique<QMessageBox>(request.icon, request.title, shown, QMessageBox::Ok, parent);
    // A path or a system message must show as it is, never as markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

void show_message_box(QWidget *parent, const MessageRequest &request)
{
    make_message_box(parent, request)->exec();
}

} // namespace zrx
