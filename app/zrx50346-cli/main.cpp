#include "cli_runner.h"

#include "bus/real_serial_control.h"
#include "core/version.h"
#include "sim/simulated_board.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

std::unique_ptr<zrx::SerialControl> make_port(const zrx::PortChoice &choice)
{
    // A plain board: every channel reads 0 until written.
    if (choice.simulated)
        return std::make_unique<zrx::SimulatedBoard>();
    return std::make_unique<zrx::RealSerialControl>(choice.devices);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrx50346-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zrx::VersionText));

    QTextStream out(stdout);
    QTextStream err(stderr);
    zrx::CliRunner runner(out, err, make_port, zrx::survey_system_ports);
    return runner.run(QCoreApplication::arguments());
}
