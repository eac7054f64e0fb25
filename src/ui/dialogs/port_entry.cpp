#include "ui/dialogs/port_entry.h"

#include "bus/port_names.h"

namespace zrx {

QString port_entry_text(const QString &portName)
{
    // Only a name the scan could have made maps to a device; anything else
    // is shown as it is.
    const int portNumber = port_number_of_entry(portName);
    if (portNumber < 1 || portName != port_name(portNumber))
        return portName;
    return port_display_name(portNumber);
}

int port_number_of_entry(QStringView entry)
{
    static constexpr QLatin1StringView Prefix("COM");
    if (!entry.startsWith(Prefix))
        return 0;
    int number = 0;
    for (const QChar ch : entry.mid(Prefix.size())) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            break;
        number = number * 10 + (ch.unicode() - '0');
        // Port numbers fit in 16 bits; an absurd entry stops growing here.
        if (number > 0x7FFF)
            return 0;
    }
    return number;
}

} // namespace zrx
