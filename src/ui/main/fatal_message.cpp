#include "ui/main/fatal_message.h"

#include <QCoreApplication>

namespace zrx {

FatalHandler make_fatal_message_handler(ShowMessage show, std::function<void()> end_program)
{
    return [show = std::move(show), end_program = std::move(end_program)](const QString &message) {
        MessageRequest request;
        request.title = QCoreApplication::applicationName();
        request.text = message;
        show(nullptr, request);
        end_program();
    };
}

} // namespace zrx
