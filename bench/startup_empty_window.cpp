// The yardstick for the program's start-up: an empty Qt main window, started
// and shown the same way.
#include "startup_shown.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.show();
    zrx::wait_until_shown(window);
    zrx::report_peak_memory();
    return 0;
}
