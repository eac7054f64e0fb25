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

Long com_port_of(const Functions &ft, int index)
{
    Handle handle = nullptr;
    if (ft.FT_Open(index, &handle) != Ok)
        return -1;
    Long port = -1;
    if (ft.FT_GetComPortNumber(handle, &port) != Ok)
        port = -1;
    ft.FT_Close(handle);
    return port;
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
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const DeviceNode &node = nodes[i];
        if (node.Flags & FlagOpened || wanted <= 0 || com_port_of(library.functions, int(i)) != wanted)
            continue;
        return UsbAdapter{quint16(node.ID >> 16), quint16(node.ID & 0xFFFF),
                          QString::fromStdString(serial_number(node)), 0, 0, interface_number(node)};
    }
    m_reason = tr("not an FTDI adapter (none of the %1 free adapters FTDI's driver lists is %2)")
                   .arg(nodes.size())
                   .arg(deviceNode);
    return std::nullopt;
}

QString D2xxAdapterLocator::no_adapter_reason(const QString &) const
{
    return m_reason;
}

} // namespace zrx
