#include "bus/port_names.h"

namespace zrx {
namespace {

// COMfirstPort..COMlastPort are nodePrefix & firstNode onwards.
struct DeviceRange {
    int firstPort;
    int lastPort;
    const char *nodePrefix;
    int firstNode;
};

#ifdef Q_OS_WIN
constexpr DeviceRange DeviceRanges[] = {{1, HighestPortNumber, "COM", 1}};
#else
constexpr DeviceRange DeviceRanges[] = {
    {1, 4, "/dev/ttyS", 0},
    {5, 12, "/dev/ttyUSB", 0},
    {13, 16, "/dev/ttyACM", 0},
};
#endif

} // namespace

bool is_port_number(int portNumber)
{
    return portNumber >= 1 && portNumber <= HighestPortNumber;
}

QString port_name(int portNumber)
{
    return QStringLiteral("COM") + QString::number(portNumber);
}

PortDeviceTable default_port_devices()
{
    PortDeviceTable devices;
    for (const DeviceRange &r : DeviceRanges) {
        for (int n = r.firstPort; n <= r.lastPort; ++n)
            devices.Nodes[n] = QLatin1String(r.nodePrefix) + QString::number(r.firstNode + n - r.firstPort);
    }
    return devices;
}

QString port_device(const PortDeviceTable &devices, int portNumber)
{
    return is_port_number(portNumber) ? devices.Nodes[portNumber] : QString();
}

QString port_display_name(int portNumber, const PortDeviceTable &devices)
{
    const QString name = port_name(portNumber);
    const QString device = port_device(devices, portNumber);
    if (device.isEmpty() || device == name)
        return name;
    return name + QStringLiteral(" (") + device + QLatin1Char(')');
}

} // namespace zrx
