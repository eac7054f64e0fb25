#include "bus/fast_mode_serial_control.h"
#include "bus/real_serial_control.h"
#include "core/bit_strings.h"
#include "core/version.h"
#include "sim/demo_board.h"
#include "store/demo_settings.h"
#include "store/qsettings_store.h"
#include "store/settings.h"
#include "ui/main/close_signals.h"
#include "ui/main/fatal_message.h"
#include "ui/main/frm_zrx50346.h"

#ifdef ZRX_HAVE_FTDI
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/ftdi/usb_adapter_locator.h"
#endif

#include <QApplication>
#include <QCommandLineParser>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// The port that sends whole transactions on FTDI adapters, when the program
// has it.
std::unique_ptr<zrx::FastPortControl> fast_port()
{
#ifdef ZRX_HAVE_FTDI
    return std::make_unique<zrx::FtdiBitBangControl>(zrx::make_usb_adapter_locator());
#else
    return nullptr;
#endif
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
    // The simulated board keeps its settings apart from a real board's.
    std::optional<zrx::QSettingsStore> store;
    store.emplace(simulated ? zrx::QSettingsStore::Board::Simulated : zrx::QSettingsStore::Board::Real);
    if (simulated)
        zrx::seed_demo_settings(*store);

    std::unique_ptr<zrx::SerialControl> MSComm1;
    zrx::FastModeSerialControl *fastMode = nullptr;
    if (simulated) {
        MSComm1 = zrx::make_demo_board();
    } else {
        std::unique_ptr<zrx::FastPortControl> fast = fast_port();
        if (fast) {
            // Stored as soon as it is taken: a run killed while it holds the
            // adapter leaves the next one this to find it by.
            fast->set_remembered_adapter(zrx::load_fast_mode_adapter(*store));
            QObject::connect(fast.get(), &zrx::FastPortControl::adapter_taken, fast.get(),
                             [&store](const QString &adapter) { zrx::save_fast_mode_adapter(*store, adapter); });
        }
        auto port = std::make_unique<zrx::FastModeSerialControl>(std::make_unique<zrx::RealSerialControl>(),
                                                                 std::move(fast));
        port->set_fast_mode_wanted(zrx::load_fast_mode(*store));
        fastMode = port.get();
        MSComm1 = std::move(port);
    }

    // Closing the main window ends the process on the spot, wherever it is:
    // inside a batch run or a read-back pause nothing more may run, and the
    // other windows go without their own closing handling. The port is
    // closed first: an adapter in fast mode goes back to the system's serial
    // driver with its lines released only if the program gives it back.
    auto end_program = [&store, fastMode] {
        if (fastMode) {
            zrx::save_fast_mode(*store, fastMode->fast_mode_wanted());
            fastMode->close_port();
        }
        store.reset();
        std::_Exit(EXIT_SUCCESS);
    };
    zrx::frmZRX50346 window(std::move(MSComm1), *store,
                            simulated ? zrx::BoardConnection::SimulatedBoard : zrx::BoardConnection::SerialPort,
                            end_program);
    // SIGINT, SIGTERM and SIGHUP close the window as its close button does.
    zrx::CloseSignals closeSignals(&window);
    window.start_up();
    window.show();
    return app.exec();
}
