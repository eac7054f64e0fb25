#include "cli_runner.h"

#include "core/version.h"
#include "rig/port_stack.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrx50346-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zrx::VersionText));

    QTextStream out(stdout);
    QTextStream err(stderr);
    // Fast mode only when --fast asks for it, which the runner tells it.
    const auto make_port = [](const zrx::PortChoice &choice) {
        return zrx::tool_port_stack(choice.simulated, choice.devices).port;
    };
    zrx::CliRunner runner(out, err, make_port, zrx::survey_system_ports);
    return runner.run(QCoreApplication::arguments());
}
