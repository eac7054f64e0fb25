// Runs one bus operation through the real serial port on a pseudo-terminal,
// so that its driver requests can be counted from outside (strace, or the
// test preload's log). Used by count_driver_requests.sh.
//
//   drive_pty_port open-only | channel-write | read-back
//
// Every mode opens and closes the port the same way, so the difference
// between a mode's count and open-only's is the operation alone.

#include "bus/modem_line_bus.h"
#include "bus/real_serial_control.h"
#include "core/bit_strings.h"
#include "core/channel_table.h"
#include "core/headless_channel_view.h"
#include "device/chip.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace zrx;

namespace {

void channel_write(ModemLineBus &bus)
{
    ChannelTable table;
    table.A0Setting = QStringLiteral("0");
    table.CurrentChannel = 5;
    table.ChannelCode[5] = 0x2A7;
    HeadlessChannelView view;
    Chip chip{table, view, bus};
    write_channel(chip);
}

void read_back(ModemLineBus &bus)
{
    const QString a0 = QStringLiteral("0");
    for (int r = 0; r < 24; ++r)
        bus.read_register_5bit(decimal_to_binary5(r), a0);
    bus.read_register_6bit(QStringLiteral("111111"), a0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode != QLatin1String("open-only") && mode != QLatin1String("channel-write")
        && mode != QLatin1String("read-back")) {
        std::fprintf(stderr, "usage: drive_pty_port open-only|channel-write|read-back\n");
        return 2;
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    PortDeviceTable devices;
    devices.Nodes[1] = QString::fromLocal8Bit(::ptsname(master));

    RealSerialControl port(devices);
    PortConfiguration configuration;
    configuration.CommPort = 1;
    configuration.Settings = QStringLiteral("19200,N,8,1");
    if (port.open_port(configuration) != OpenOutcome::Opened) {
        std::fprintf(stderr, "%s\n", qPrintable(port.error_text()));
        return 1;
    }
    ModemLineBus bus(port);
    if (mode == QLatin1String("channel-write"))
        channel_write(bus);
    else if (mode == QLatin1String("read-back"))
        read_back(bus);
    port.close_port();
    ::close(master);
    return 0;
}
