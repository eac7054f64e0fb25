#include "core/bit_strings.h"
#include "core/version.h"
#include "rig/port_stack.h"
#include "store/demo_settings.h"
#include "store/qsettings_store.h"
#include "ui/main/close_signals.h"
#include "ui/main/fatal_message.h"
#include "ui/main/frm_zrx50346.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdlib>
#include <memory>
#include <optional>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZRX50346"));
    QApplication::setApplicationVersion(QString::fromLatin1(zrx::VersionText));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Bench software for the ZRX50346 reference-voltage chip."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Run on the simulated board instead of a serial port."));
    parser.addOption(simulate);
    parser.process(app);
    const bool simulated = parser.isSet(simulate);

    zrx::set_fatal_handler(zrx::make_fatal_message_handler(zrx::show_message_box, [] { std::_Exit(EXIT_FAILURE); }));

    // Destroying the store writes it out; the ending below relies on that.
    // The simulated board keeps its settings apart from a real board's.
    std::optional<zrx::QSettingsStore> store;
    store.emplace(simulated ? zrx::QSettingsStore::Board::Simulated : zrx::QSettingsStore::Board::Real);
    if (simulated)
        zrx::seed_demo_settings(*store);

    zrx::PortStack MSComm1 = zrx::window_port_stack(simulated, *store);
    zrx::FastModeSerialControl *fastMode = MSComm1.fastMode;

    // Closing the main window ends the process on the spot, wherever it is:
    // inside a batch run or a read-back pause nothing more may run, and the
    // other windows go without their own closing handling. The port is
    // closed first: an adapter in fast mode goes back to the system's serial
    // driver with its lines released only if the program gives it back.
    auto end_program = [&store, fastMode] {
        zrx::end_window_port(fastMode, *store);
        store.reset();
        std::_Exit(EXIT_SUCCESS);
    };
    zrx::frmZRX50346 window(std::move(MSComm1.port), *store,
                            simulated ? zrx::BoardConnection::SimulatedBoard : zrx::BoardConnection::SerialPort,
                            end_program);
    // SIGINT, SIGTERM and SIGHUP close the window as its close button does.
    zrx::CloseSignals closeSignals(&window);
    window.start_up();
    window.show();
    return app.exec();
}
