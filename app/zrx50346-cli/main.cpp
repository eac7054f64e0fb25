#include "checked_output.h"
#include "cli_runner.h"
#include "session_command_line.h"
#include "session_runner.h"

#include "core/version.h"
#include "bus/ftdi/usb_adapter_locator.h"
#include "rig/fast_port.h"
#include "rig/port_stack.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

// The system's ports; where its list gives no USB ids (Windows), fast mode's
// adapter locator adds them.
QList<zrx::PortListing> survey_ports()
{
    QList<zrx::PortListing> ports = zrx::survey_system_ports();
    if (const std::unique_ptr<zrx::UsbAdapterLocator> locator = zrx::make_fast_port_locator())
        zrx::add_usb_ids(ports, *locator);
    return ports;
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
    // Fast mode only when --fast asks for it, which the runner tells it.
    const auto make_port = [](const zrx::PortChoice &choice) {
        return zrx::tool_port_stack(choice.simulated, choice.devices).port;
    };
    const QStringList arguments = QCoreApplication::arguments();
    if (zrx::parse_session_command_line(arguments).isSession) {
        zrx::StandardInput input;
        zrx::SessionRunner session(out, err, make_port, input);
        return session.run(arguments);
    }
    zrx::CliRunner runner(out, err, make_port, survey_ports);
    return runner.run(arguments);
}
