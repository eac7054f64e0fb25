#include "bus/port_discovery.h"

#include "bus/line_settings.h"
#include "bus/modem_line_bus.h"
#include "bus/port_names.h"

#include <algorithm>

namespace zrx {
namespace {

// Every open carries the same buffer, notification and handshake rows; only
// the port and the bit rate differ.
PortConfiguration configuration_for(int portNumber, qint32 bitRate)
{
    PortConfiguration configuration;
    configuration.CommPort = portNumber;
    configuration.Settings = line_settings(bitRate);
    return configuration;
}

// A write record applies t ms per byte on top of this.
constexpr quint32 TimeoutConstantMs = 1000;

} // namespace

int char_time_ms(qint32 bitRate)
{
    // Nothing useful to time at a rate of zero or below (an edited settings
    // store): no per-character allowance at all.
    if (bitRate <= 0)
        return 0;
    constexpr qint32 BitsTimesMsPerCharacter = 10000; // 10 bits, 1000 ms
    const qint32 whole = BitsTimesMsPerCharacter / bitRate;
    const qint32 twiceRest = 2 * (BitsTimesMsPerCharacter % bitRate);
    if (twiceRest > bitRate || (twiceRest == bitRate && whole % 2 == 1))
        return whole + 1;
    return whole;
}

bool fncInitializeComPort(SerialControl &port, PortState &ports, qint32 bitRate, int portNumber)
{
    if (port.is_open())
        port.close_port();
    // No COMn outside 1..16 exists to be selected; the port just stays closed.
    if (!is_port_number(portNumber))
        return false;
    if (port.open_port(configuration_for(portNumber, bitRate)) == OpenOutcome::HeldElsewhere)
        ports.PortAvailable[portNumber] = false;
    if (port.is_open())
        port.use_for_bus();
    // Only the program's own port, opened for use: the scan's probes go to
    // whatever devices there are and must not see bus traffic.
    if (port.is_open() && portNumber == ports.PortNumb && ports.BusClearOwed) {
        ports.BusClearOwed = false;
        ModemLineBus(port).bus_clear();
    }
    return port.is_open();
}

void scan_com_ports(SerialControl &port, PortState &ports)
{
    ports.PortNames.clear();
    ports.PortCount = 0;

    const bool wasOpen = port.is_open();
    const int portToRestore = ports.PortNumb;
    if (wasOpen)
        port.close_port();

    // A port held by another program still exists: it is listed like a free
    // one and found out only when it is opened for use. The probes are plain
    // opens: nothing here is used for the bus.
    for (int n = 1; n <= HighestPortNumber; ++n) {
        const OpenOutcome outcome = port.open_port(configuration_for(n, ports.BitRate));
        if (outcome == OpenOutcome::HeldElsewhere) {
            ports.PortNames << port_name(n);
        } else if (outcome == OpenOutcome::Opened && port.is_open()) {
            port.close_port();
            ports.PortNames << port_name(n);
        }
    }
    ports.PortCount = int(ports.PortNames.size());

    if (wasOpen) {
        ports.PortNumb = portToRestore;
        if (is_port_number(ports.PortNumb) && !port.is_open()
            && port.open_port(configuration_for(ports.PortNumb, ports.BitRate)) == OpenOutcome::Opened)
            port.use_for_bus();
    }

    mark_available_ports(ports);
}

void mark_available_ports(PortState &ports)
{
    const int listed = std::min(ports.PortCount, int(ports.PortNames.size()));
    for (int i = 0; i < listed; ++i) {
        for (int n = 1; n <= HighestPortNumber; ++n) {
            if (ports.PortNames.at(i) == port_name(n))
                ports.PortAvailable[n] = true;
        }
    }
}

// The flag can only change through an event handled while waiting, so instead
// of yielding for it this gives up at once: the outcome is the same.
void open_selected_port(SerialControl &port, PortState &ports)
{
    if (!is_port_number(ports.PortNumb) || !ports.PortAvailable[ports.PortNumb])
        return;
    fncInitializeComPort(port, ports, ports.BitRate, ports.PortNumb);
    set_port_timeouts(port, ports.BitRate);
}

void set_port_timeouts(SerialControl &port, qint32 bitRate)
{
    const auto t = quint32(char_time_ms(bitRate));
    if (!port.is_open())
        return;
    PortTimeouts timeouts;
    timeouts.ReadIntervalTimeout = t;
    timeouts.ReadTotalTimeoutMultiplier = t;
    timeouts.ReadTotalTimeoutConstant = TimeoutConstantMs;
    timeouts.WriteTotalTimeoutMultiplier = t;
    timeouts.WriteTotalTimeoutConstant = TimeoutConstantMs;
    port.set_timeouts(timeouts);
}

} // namespace zrx
