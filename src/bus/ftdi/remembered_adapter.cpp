#include "bus/ftdi/remembered_adapter.h"

#include <QStringList>

namespace zrx {

QString remembered_adapter_text(const RememberedAdapter &remembered)
{
    if (remembered.port == 0)
        return {};
    const UsbAdapter &a = remembered.adapter;
    return QStringList{QString::number(remembered.port), a.serialNumber, QString::number(a.busNumber),
                       QString::number(a.deviceAddress), QString::number(a.interfaceNumber),
                       QString::number(a.vendorId, 16), QString::number(a.productId, 16)}
        .join(QLatin1Char(';'));
}

RememberedAdapter remembered_adapter_from_text(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(';'));
    if (fields.size() != 7)
        return {};
    return {fields[0].toInt(),
            {quint16(fields[5].toUInt(nullptr, 16)), quint16(fields[6].toUInt(nullptr, 16)), fields[1],
             fields[2].toInt(), fields[3].toInt(), fields[4].toInt()}};
}

} // namespace zrx
