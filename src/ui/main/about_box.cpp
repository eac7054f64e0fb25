#include "ui/main/about_box.h"

#include "core/version.h"

namespace zrx {

MessageRequest about_request()
{
    MessageRequest request;
    request.title = QStringLiteral("ZRX50346 Program.");
    request.text = QStringLiteral("ZRX50346 Eval Software  Rev. %1.%2.%3\r\n%4")
                       .arg(VersionMajor)
                       .arg(VersionMinor)
                       .arg(VersionRevision)
                       .arg(QStringLiteral("Written by the ZRX50346 bench software team"));
    request.icon = QMessageBox::NoIcon;
    return request;
}

} // namespace zrx
