#include "bus/system_ports.h"

#include <QSerialPortInfo>

namespace zrx {
namespace {

QString hex4(quint16 id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

} // namespace

QList<SystemPort> system_ports()
{
    QList<SystemPort> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SystemPort port{info.systemLocation(), info.portName(), {}, {}, info.serialNumber(), info.description()};
        if (info.hasVendorIdentifier())
            port.vendorId = hex4(info.vendorIdentifier());
        if (info.hasProductIdentifier())
            port.productId = hex4(info.productIdentifier());
        ports << port;
    }
    return ports;
}

} // namespace zrx
