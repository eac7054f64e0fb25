#include "checked_output.h"
#include "cli_runner.h"
#include "session_command_line.h"
#include "session_runner.h"

#include "bus/fast_mode_serial_control.h"
#include "bus/real_serial_control.h"
#include "core/version.h"
#include "sim/demo_board.h"

#include <QCoreApplication>
#include <QTextStream>

#ifdef ZRX_HAVE_FTDI
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/ftdi/sysfs_usb_adapter_locator.h"
#endif

#include <cstdio>

namespace {

std::unique_ptr<zrx::SerialControl> make_port(const zrx::PortChoice &choice)
{
    // The demo's board: its chip starts with a gamma curve and mid-scale
    // VCOM, fresh in every run of the tool.
    if (choice.simulated) {
        auto board = std::make_unique<zrx::SimulatedBoard>();
        zrx::load_demo_codes(board->chip());
        return board;
    }
    // Fast mode only when --fast asks for it, which the runner tells it.
    std::unique_ptr<zrx::FastPortControl> fast;
#ifdef ZRX_HAVE_FTDI
    fast = std::make_unique<zrx::FtdiBitBangControl>(std::make_unique<zrx::SysfsUsbAdapterLocator>(), choice.devices);
#endif
    return std::make_unique<zrx::FastModeSerialControl>(std::make_unique<zrx::RealSerialControl>(choice.devices),
                                                        std::move(fast));
}

} // namespace

int main(int argc, char *argv[])
{
    zrx::prepare_standard_streams();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrx50346-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zrx::VersionText));

    zrx::CheckedOutput outDevice(fileno(stdout));
    zrx::CheckedOutput errDevice(fileno(stderr));
    QTextStream out(&outDevice);
    QTextStream err(&errDevice);
    const QStringList arguments = QCoreApplication::arguments();
    if (zrx::parse_session_command_line(arguments).isSession) {
        zrx::StandardInput input;
        zrx::SessionRunner session(out, err, make_port, input);
        return session.run(arguments);
    }
    zrx::CliRunner runner(out, err, make_port, zrx::survey_system_ports);
    return runner.run(arguments);
}
