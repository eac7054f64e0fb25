#include "bus/system_ports.h"

#include <QSettings>

namespace zrx {

// Every serial driver lists its ports under this key while they exist: the
// value's name is the driver's device, its data the port's name ("COM5").
QList<SystemPort> system_ports()
{
    QSettings serialComm(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM"),
                         QSettings::NativeFormat);
    QList<SystemPort> ports;
    for (const QString &key : serialComm.childKeys()) {
        const QString name = serialComm.value(key).toString();
        if (!name.isEmpty())
            ports << SystemPort{name, name, {}, {}, {}, key.section(QLatin1Char('\\'), -1)};
    }
    return ports;
}

} // namespace zrx
