#include "bus/real_serial_control.h"
#include "sim/simulated_board.h"
#include "core/bit_strings.h"
#include "core/version.h"
#include "store/qsettings_store.h"
#include "ui/main/fatal_message.h"
#include "ui/main/frm_zrx50346.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// The simulated board has no port to find: its line is simply there.
std::unique_ptr<zrx::SerialControl> simulated_board()
{
    auto board = std::make_unique<zrx::SimulatedBoard>();
    zrx::PortConfiguration configuration;
    configuration.CommPort = 1;
    board->open_port(configuration);
    return board;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZRX50346"));
    QApplication::setApplicationVersion(QString::fromLatin1(zrx::VersionText));

    QCommandLineParser parser;
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Run on the simulated board instead of a serial port."));
    parser.addOption(simulate);
    parser.process(app);
    const bool simulated = parser.isSet(simulate);

    zrx::set_fatal_handler(zrx::make_fatal_message_handler(zrx::show_message_box, [] { std::_Exit(EXIT_FAILURE); }));

    // Destroying the store writes it out; the ending below relies on that.
    std::optional<zrx::QSettingsStore> store;
    store.emplace();
    // Closing the main window ends the process on the spot, wherever it is:
    // inside a batch run or a read-back pause nothing more may run, and the
    // other windows go without their own closing handling.
    auto end_program = [&store] {
        store.reset();
        std::_Exit(EXIT_SUCCESS);
    };

    std::unique_ptr<zrx::SerialControl> MSComm1 =
        simulated ? simulated_board() : std::make_unique<zrx::RealSerialControl>();
    zrx::frmZRX50346 window(std::move(MSComm1), *store,
                            simulated ? zrx::BoardConnection::SimulatedBoard : zrx::BoardConnection::SerialPort,
                            end_program);
    window.start_up();
    window.show();
    return app.exec();
}
