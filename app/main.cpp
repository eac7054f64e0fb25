#include "core/version.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZRX50346"));
    QApplication::setApplicationVersion(QString::fromLatin1(zrx::VersionText));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("ZRX50346"));
    window.show();
    return app.exec();
}
