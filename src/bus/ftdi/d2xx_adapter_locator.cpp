#include "bus/ftdi/d2xx_adapter_locator.h"

#include <QCoreApplication>

namespace zrx {
namespace {

using namespace d2xx;

QString tr(const char *text)
{
    return QCoreApplication::translate("FtdiBitBangControl", text);
}

// "COM5" -> 5; 0 for anything else.
int com_port_number(const QString &deviceNode)
{
    return deviceNode.startsWith(QLatin1String("COM")) ? deviceNode.mid(3).toInt() : 0;
}

// Which port of its chip a device is: D2XX ends the serial numbers of a
// chip with several ports in A, B, ...
int interface_number(const DeviceNode &node)
{
    const std::string serial = serial_number(node);
    const bool severalPorts = node.Type == Device2232C || node.Type == Device2232H || node.Type == Device4232H;
    if (!severalPorts || serial.empty() || serial.back() < 'A' || serial.back() > 'D')
        return 0;
    return serial.back() - 'A';
}

// The device's COM port number, -1 when it has none; the status of an
// opening that failed.
Status com_port_of(const Functions &ft, int index, Long &port)
{
    port = -1;
    Handle handle = nullptr;
    if (const Status status = ft.FT_Open(index, &handle); status != Ok)
        return status;
    if (ft.FT_GetComPortNumber(handle, &port) != Ok)
        port = -1;
    ft.FT_Close(handle);
    return Ok;
}

} // namespace

D2xxAdapterLocator::D2xxAdapterLocator(D2xxFtdiDriver::LibrarySource library) : m_library(std::move(library)) {}

std::optional<UsbAdapter> D2xxAdapterLocator::adapter_of(const QString &deviceNode) const
{
    const Library &library = m_library();
    if (!library.missing.empty()) {
        m_reason = QString::fromStdString(library.missing);
        return std::nullopt;
    }
    std::vector<DeviceNode> nodes;
    if (const Status status = list_devices(library.functions, nodes); status != Ok) {
        m_reason = tr("listing FTDI's adapters failed (%1)").arg(QString::fromStdString(status_name(status)));
        return std::nullopt;
    }
    const int wanted = com_port_number(deviceNode);
    Status refused = Ok;
    for (std::size_t i = 0; i < nodes.size() && wanted > 0; ++i) {
        const DeviceNode &node = nodes[i];
        Long port = -1;
        if (node.Flags & FlagOpened)
            continue; // another program's: not the free port asked about
        if (const Status status = com_port_of(library.functions, int(i), port); status != Ok)
            refused = status;
        if (port != wanted)
            continue;
        return UsbAdapter{quint16(node.ID >> 16), quint16(node.ID & 0xFFFF),
                          QString::fromStdString(serial_number(node)), 0, 0, interface_number(node)};
    }
    // An adapter that cannot be opened may be this one; saying "not an FTDI
    // adapter" would hide that.
    m_reason = refused != Ok
        ? tr("FTDI's driver would not open an adapter to ask for its COM port (%1)")
              .arg(QString::fromStdString(status_name(refused)))
        : tr("not an FTDI adapter (FTDI's driver lists no free adapter as %1)").arg(deviceNode);
    return std::nullopt;
}

QString D2xxAdapterLocator::no_adapter_reason(const QString &) const
{
    return m_reason;
}

} // namespace zrx
