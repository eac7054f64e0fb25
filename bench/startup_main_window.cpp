// The program's start-up as main() does it, on the simulated board, up to
// the main window on the screen; then it ends. Settings live in memory so a
// measurement never touches the user's own.
#include "startup_shown.h"

#include "sim/simulated_board.h"
#include "store/memory_settings_store.h"
#include "ui/main/frm_zrx50346.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZRX50346"));
    zrx::MemorySettingsStore store;
    auto board = std::make_unique<zrx::SimulatedBoard>();
    zrx::PortConfiguration configuration;
    configuration.CommPort = 1;
    board->open_port(configuration);
    zrx::frmZRX50346 window(std::move(board), store, zrx::BoardConnection::SimulatedBoard, [] {});
    window.start_up();
    window.show();
    zrx::wait_until_shown(window);
    zrx::report_peak_memory();
    return 0;
}
