#include "cli_runner.h"

#include "bus/fast_mode_serial_control.h"
#include "bus/real_serial_control.h"
#include "core/version.h"
#include "sim/demo_board.h"

#include <QCoreApplication>
#include <QTextStream>

#ifdef ZRX_HAVE_FTDI
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "bus/ftdi/usb_adapter_locator.h"
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
    fast = std::make_unique<zrx::FtdiBitBangControl>(zrx::make_usb_adapter_locator(), choice.devices);
#endif
    return std::make_unique<zrx::FastModeSerialControl>(std::make_unique<zrx::RealSerialControl>(choice.devices),
                                                        std::move(fast));
}

// The system's ports; where its list gives no USB ids (Windows), the
// adapter locator's.
QList<zrx::PortListing> survey_ports()
{
    QList<zrx::PortListing> ports = zrx::survey_system_ports();
#ifdef ZRX_HAVE_FTDI
    zrx::add_usb_ids(ports, *zrx::make_usb_adapter_locator());
#endif
    return ports;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrx50346-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zrx::VersionText));

    QTextStream out(stdout);
    QTextStream err(stderr);
    zrx::CliRunner runner(out, err, make_port, survey_ports);
    return runner.run(QCoreApplication::arguments());
}
