#include "bus/ftdi/sysfs_usb_adapter_locator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace zrx {
namespace {

QString attribute(const QDir &dir, const char *name)
{
    QFile file(dir.filePath(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
}

int number_attribute(const QDir &dir, const char *name, int base = 10)
{
    bool ok = false;
    const int value = attribute(dir, name).toInt(&ok, base);
    return ok ? value : 0;
}

// From the tty's device upwards: the USB interface carries bInterfaceNumber,
// the USB device above it busnum and idVendor.
std::optional<UsbAdapter> from_sysfs(const QString &sysfsRoot, const QString &ttyName)
{
    const QString device = QFileInfo(sysfsRoot + QStringLiteral("/class/tty/") + ttyName + QStringLiteral("/device"))
                               .canonicalFilePath();
    if (device.isEmpty())
        return std::nullopt;
    const QString root = QFileInfo(sysfsRoot).canonicalFilePath();
    UsbAdapter adapter;
    bool interfaceSeen = false;
    for (QDir dir(device); !dir.isRoot() && dir.absolutePath().startsWith(root); dir.cdUp()) {
        if (!interfaceSeen && QFileInfo::exists(dir.filePath(QStringLiteral("bInterfaceNumber")))) {
            adapter.interfaceNumber = number_attribute(dir, "bInterfaceNumber", 16);
            interfaceSeen = true;
        }
        if (QFileInfo::exists(dir.filePath(QStringLiteral("busnum")))
            && QFileInfo::exists(dir.filePath(QStringLiteral("idVendor")))) {
            adapter.vendorId = quint16(number_attribute(dir, "idVendor", 16));
            adapter.productId = quint16(number_attribute(dir, "idProduct", 16));
            adapter.serialNumber = attribute(dir, "serial");
            adapter.busNumber = number_attribute(dir, "busnum");
            adapter.deviceAddress = number_attribute(dir, "devnum");
            return adapter;
        }
    }
    return std::nullopt;
}

} // namespace

SysfsUsbAdapterLocator::SysfsUsbAdapterLocator(QString sysfsRoot) : m_sysfsRoot(std::move(sysfsRoot)) {}

std::optional<UsbAdapter> SysfsUsbAdapterLocator::adapter_of(const QString &deviceNode) const
{
    std::optional<UsbAdapter> adapter = from_sysfs(m_sysfsRoot, QFileInfo(deviceNode).fileName());
    if (adapter && !adapter->serialNumber.isEmpty())
        return adapter;
    const QSerialPortInfo info(deviceNode);
    if (!info.hasVendorIdentifier())
        return adapter;
    if (!adapter) {
        adapter.emplace();
        adapter->vendorId = info.vendorIdentifier();
        adapter->productId = info.productIdentifier();
    }
    adapter->serialNumber = info.serialNumber();
    return adapter;
}

// Every USB device is in /sys/bus/usb/devices; its interfaces are the
// subdirectories "<device>:<configuration>.<interface>", which have a
// "driver" link while a driver holds them.
std::optional<UsbAdapter> SysfsUsbAdapterLocator::detached_adapter(const UsbAdapter &remembered) const
{
    const QDir devices(m_sysfsRoot + QStringLiteral("/bus/usb/devices"));
    for (const QString &name : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(QFileInfo(devices.filePath(name)).canonicalFilePath());
        if (quint16(number_attribute(dir, "idVendor", 16)) != remembered.vendorId)
            continue;
        const bool same = remembered.serialNumber.isEmpty()
            ? number_attribute(dir, "busnum") == remembered.busNumber
                  && number_attribute(dir, "devnum") == remembered.deviceAddress
            : attribute(dir, "serial") == remembered.serialNumber;
        const QStringList interfaces = dir.entryList(
            {name + QStringLiteral(":*.") + QString::number(remembered.interfaceNumber)}, QDir::Dirs);
        if (!same || interfaces.size() != 1 || QFileInfo::exists(dir.filePath(interfaces.first() + QStringLiteral("/driver"))))
            continue;
        UsbAdapter adapter = remembered;
        adapter.productId = quint16(number_attribute(dir, "idProduct", 16));
        adapter.busNumber = number_attribute(dir, "busnum");
        adapter.deviceAddress = number_attribute(dir, "devnum");
        return adapter;
    }
    return std::nullopt;
}

bool SysfsUsbAdapterLocator::node_ready(const QString &deviceNode) const
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(deviceNode).constData(), R_OK | W_OK) == 0;
#else
    return QFileInfo::exists(deviceNode);
#endif
}

std::unique_ptr<UsbAdapterLocator> make_usb_adapter_locator()
{
    return std::make_unique<SysfsUsbAdapterLocator>();
}

} // namespace zrx
