#include "bus/port_status_text.h"

#include "bus/port_names.h"

namespace zrx {
namespace {

// The system's reason as part of a sentence: without the device it names
// (the port's name already says which) and without the capital a message of
// its own would start with ("Permission denied" -> "permission denied"),
// leaving names such as "COM3" alone.
QString reason_in_sentence(const PortDeviceTable &devices, int portNumber, const QString &reason)
{
    QString text = reason;
    for (const QString &prefix : {port_device(devices, portNumber), port_name(portNumber)}) {
        if (!prefix.isEmpty() && text.startsWith(prefix + QStringLiteral(": ")))
            text.remove(0, prefix.size() + 2);
    }
    if (text.size() > 1 && text.at(0).isUpper() && text.at(1).isLower())
        text[0] = text.at(0).toLower();
    return text;
}

QString failure_text(const QString &name, const PortDeviceTable &devices, int portNumber, const PortRecord &record)
{
    QString text = name + QStringLiteral(" could not be opened");
    const QString reason = reason_in_sentence(devices, portNumber, record.reason);
    if (!reason.isEmpty())
        text += QStringLiteral(": ") + reason;
#ifdef Q_OS_LINUX
    // Serial nodes belong to that group, and a fresh install seldom puts
    // the user in it.
    if (record.permissionDenied)
        text += QStringLiteral(" (on Linux, add your user to the dialout group)");
#endif
    return text;
}

} // namespace

QString port_status_text(bool simulatedBoard, int PortNumb, const PortRecord &record, bool open,
                         const PortDeviceTable &devices)
{
    if (simulatedBoard)
        return open ? QStringLiteral("Simulated board") : QStringLiteral("Simulated board: closed");
    if (!is_port_number(PortNumb))
        return QStringLiteral("No serial port selected");
    return named_port_status_text(port_display_name(PortNumb, devices), PortNumb, record, open, devices);
}

QString named_port_status_text(const QString &name, int PortNumb, const PortRecord &record, bool open,
                               const PortDeviceTable &devices)
{
    using Event = PortRecord::Event;
    switch (record.event) {
    case Event::Opened: {
        if (!open)
            break;
        QString text = name;
        if (record.bitRate > 0)
            text += QStringLiteral(", %1 baud").arg(record.bitRate);
        text += QStringLiteral(": open");
        if (record.fastMode)
            text += QStringLiteral(", fast mode");
        else if (!record.fastModeFallback.isEmpty())
            text += QStringLiteral("; fast mode off: ")
                    + reason_in_sentence(devices, PortNumb, record.fastModeFallback);
        return text;
    }
    case Event::HeldElsewhere:
        return name + QStringLiteral(" is in use by another program");
    case Event::Failed:
        return failure_text(name, devices, PortNumb, record);
    case Event::Lost:
        return name + QStringLiteral(" was disconnected");
    case Event::Closed:
        break;
    case Event::None:
        return name + QStringLiteral(": not opened");
    }
    return name + QStringLiteral(": closed");
}

} // namespace zrx
