#include "port_choice.h"

#include <QRegularExpression>

namespace zrx {
namespace {

// A device path not among the sixteen nodes is opened under this number;
// only the path ever shows.
constexpr int PathPortNumber = 1;

} // namespace

std::optional<PortChoice> choose_port(const QString &port, bool simulate, QString *error)
{
    PortChoice choice;
    choice.devices = default_port_devices();
    if (simulate) {
        choice.simulated = true;
        choice.PortNumb = 1;
        choice.name = QStringLiteral("Simulated board");
        return choice;
    }
    static const QRegularExpression comName(QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = comName.match(port); match.hasMatch()) {
        const int number = match.captured(1).toInt();
        if (!is_port_number(number)) {
            *error = QStringLiteral("There is no port %1: ports are COM1..COM16, or give a device path").arg(port);
            return std::nullopt;
        }
        choice.PortNumb = number;
        choice.name = port_display_name(number, choice.devices);
        return choice;
    }
    if (port.isEmpty()) {
        *error = QStringLiteral("No port given: use --port COMn or --port DEVICE, or --simulate");
        return std::nullopt;
    }
    // One of the sixteen nodes keeps its COM name; any other path is its own.
    for (int n = 1; n <= HighestPortNumber; ++n) {
        if (choice.devices.Nodes[n] == port) {
            choice.PortNumb = n;
            choice.name = port_display_name(n, choice.devices);
            return choice;
        }
    }
    choice.devices = PortDeviceTable{};
    choice.devices.Nodes[PathPortNumber] = port;
    choice.PortNumb = PathPortNumber;
    choice.name = port;
    return choice;
}

} // namespace zrx
