#include "port_listing.h"

#include "bus/line_settings.h"
#include "bus/logging_serial_control.h"
#include "bus/port_names.h"
#include "bus/port_status_text.h"
#include "bus/real_serial_control.h"
#include "bus/ftdi/usb_adapter_locator.h"
#include "bus/system_ports.h"

#include <QJsonArray>

namespace zrx {
namespace {

// FTDI's products with a synchronous bit-bang mode: 6001 is the FT232R (and
// the older FT232AM/BM, which fast mode then refuses), 6010 the FT2232,
// 6011 the FT4232H, 6014 the FT232H, 6015 the FT-X family.
bool fast_mode_can_take(const SystemPort &port)
{
    static const QStringList BitBangProducts{"6001", "6010", "6011", "6014", "6015"};
    return port.vendorId == QLatin1String("0403") && BitBangProducts.contains(port.productId);
}

void describe(PortListing &entry, const SystemPort &port)
{
    entry.fastMode = fast_mode_can_take(port);
    entry.present = true;
    entry.vendorId = port.vendorId;
    entry.productId = port.productId;
    entry.serialNumber = port.serialNumber;
    entry.description = port.description;
}

PortListing::Access access_of(OpenOutcome outcome)
{
    switch (outcome) {
    case OpenOutcome::Opened:
        return PortListing::Access::Free;
    case OpenOutcome::HeldElsewhere:
        return PortListing::Access::InUse;
    case OpenOutcome::Failed:
        break;
    }
    return PortListing::Access::Refused;
}

QString free_text(const PortListing &entry)
{
    switch (entry.access) {
    case PortListing::Access::NotTried:
        return QStringLiteral("-");
    case PortListing::Access::Free:
        return QStringLiteral("yes");
    case PortListing::Access::InUse:
        return QStringLiteral("no, in use");
    case PortListing::Access::Refused:
        break;
    }
    return QStringLiteral("no");
}

QJsonValue free_json(const PortListing &entry)
{
    if (entry.access == PortListing::Access::NotTried)
        return QJsonValue::Null;
    return entry.access == PortListing::Access::Free;
}

} // namespace

QList<PortListing> survey_system_ports()
{
    const PortDeviceTable devices = default_port_devices();
    const QList<SystemPort> infos = system_ports();
    // The port records give a refusal the window's words.
    BusLog log(1);
    LoggingSerialControl port(std::make_unique<RealSerialControl>(devices), log);

    QList<PortListing> listing;
    for (int n = 1; n <= HighestPortNumber; ++n) {
        PortListing entry;
        entry.PortNumb = n;
        entry.device = port_device(devices, n);
        for (const SystemPort &info : infos) {
            if (info.location == entry.device || info.name == port_name(n))
                describe(entry, info);
        }
        if (entry.present) {
            PortConfiguration configuration;
            configuration.CommPort = n;
            configuration.Settings = line_settings(DefaultBitRate);
            entry.access = access_of(port.open_port(configuration));
            if (entry.access == PortListing::Access::Refused)
                entry.note = port_status_text(false, n, port.port_record(n), false, devices);
            port.close_port();
        }
        listing << entry;
    }
    return listing;
}

void add_usb_ids(QList<PortListing> &ports, const UsbAdapterLocator &locator, const PortDeviceTable &devices)
{
    for (PortListing &entry : ports) {
        if (!entry.vendorId.isEmpty() || entry.access != PortListing::Access::Free)
            continue;
        if (const std::optional<UsbAdapter> adapter = locator.adapter_of(port_device(devices, entry.PortNumb))) {
            entry.vendorId = QStringLiteral("%1").arg(adapter->vendorId, 4, 16, QLatin1Char('0'));
            entry.productId = QStringLiteral("%1").arg(adapter->productId, 4, 16, QLatin1Char('0'));
            entry.serialNumber = adapter->serialNumber;
            entry.fastMode = fast_mode_can_take({{}, {}, entry.vendorId, entry.productId, {}, {}});
        }
    }
}

QString adapter_serial_number(const PortChoice &choice)
{
    if (choice.simulated)
        return {};
    const QString device = port_device(choice.devices, choice.PortNumb);
    for (const SystemPort &info : system_ports()) {
        if (info.location == device)
            return info.serialNumber;
    }
    return {};
}

QList<PortListing> simulated_board_ports()
{
    PortListing board;
    board.PortNumb = 1;
    board.device = QStringLiteral("simulated board");
    board.present = true;
    board.access = PortListing::Access::Free;
    return {board};
}

void report_ports(const QList<PortListing> &ports, CliReport &report)
{
    QList<QStringList> rows{{QStringLiteral("port"), QStringLiteral("device"), QStringLiteral("present"),
                             QStringLiteral("free"), QStringLiteral("fast"), QStringLiteral("usb id"),
                             QStringLiteral("serial"), QStringLiteral("description")}};
    QStringList notes;
    QJsonArray array;
    for (const PortListing &entry : ports) {
        const QString usbId = entry.vendorId.isEmpty() ? QString() : entry.vendorId + QLatin1Char(':') + entry.productId;
        rows << QStringList{port_name(entry.PortNumb), entry.device,
                            entry.present ? QStringLiteral("yes") : QStringLiteral("no"),
                            free_text(entry), entry.fastMode ? QStringLiteral("yes") : QStringLiteral("no"), usbId,
                            entry.serialNumber, entry.description};
        if (!entry.note.isEmpty())
            notes << entry.note;
        QJsonObject object{{QStringLiteral("port"), port_name(entry.PortNumb)},
                           {QStringLiteral("device"), entry.device},
                           {QStringLiteral("present"), entry.present},
                           {QStringLiteral("free"), free_json(entry)},
                           {QStringLiteral("fastMode"), entry.fastMode}};
        const std::pair<const char *, QString> details[] = {{"note", entry.note},
                                                            {"vendorId", entry.vendorId},
                                                            {"productId", entry.productId},
                                                            {"serialNumber", entry.serialNumber},
                                                            {"description", entry.description}};
        for (const auto &[key, value] : details) {
            if (!value.isEmpty())
                object.insert(QLatin1String(key), value);
        }
        array.append(object);
    }
    report.table(rows);
    for (const QString &note : notes)
        report.say(note);
    report.object() = {{QStringLiteral("ports"), array}};
}

} // namespace zrx
