// Finding the USB adapter behind a tty in a sysfs tree built for the test: the
// second port of a two-port chip behind a hub port, the root hub above it.
#include "bus/ftdi/sysfs_usb_adapter_locator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zrx;

class TestSysfsUsbAdapterLocator : public QObject {
    Q_OBJECT
private slots:
    void finds_bus_location_port_and_serial();
};

void TestSysfsUsbAdapterLocator::finds_bus_location_port_and_serial()
{
    QTemporaryDir root;
    const auto put = [&](const QString &file, const QByteArray &text) {
        QDir(root.path()).mkpath(QFileInfo(root.filePath(file)).path());
        QFile out(root.filePath(file));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text + '\n');
    };
    const QString hub = QStringLiteral("devices/pci0/usb3/");
    put(hub + QStringLiteral("busnum"), "3");
    put(hub + QStringLiteral("idVendor"), "1d6b");
    const QString device = hub + QStringLiteral("3-2/");
    put(device + QStringLiteral("busnum"), "3");
    put(device + QStringLiteral("devnum"), "12");
    put(device + QStringLiteral("idVendor"), "0403");
    put(device + QStringLiteral("idProduct"), "6010");
    put(device + QStringLiteral("serial"), "FT4XK2Q9");
    put(device + QStringLiteral("3-2:1.1/bInterfaceNumber"), "01");
    QDir(root.path()).mkpath(device + QStringLiteral("3-2:1.1/ttyUSB1"));
    QDir(root.path()).mkpath(QStringLiteral("class/tty/ttyUSB1"));
    QVERIFY(QFile::link(root.filePath(device + QStringLiteral("3-2:1.1/ttyUSB1")),
                        root.filePath(QStringLiteral("class/tty/ttyUSB1/device"))));

    const SysfsUsbAdapterLocator locator(root.path());
    const std::optional<UsbAdapter> adapter = locator.adapter_of(QStringLiteral("/dev/ttyUSB1"));
    QVERIFY(adapter);
    QCOMPARE(adapter->vendorId, 0x0403);
    QCOMPARE(adapter->productId, 0x6010);
    QCOMPARE(adapter->serialNumber, QStringLiteral("FT4XK2Q9"));
    QCOMPARE(adapter->busNumber, 3);
    QCOMPARE(adapter->deviceAddress, 12);
    QCOMPARE(adapter->interfaceNumber, 1);

    // The same port after a run that was killed holding it: found by its
    // serial number where it sits now, while no driver has its interface.
    QDir(root.path()).mkpath(QStringLiteral("bus/usb/devices"));
    QVERIFY(QFile::link(root.filePath(device), root.filePath(QStringLiteral("bus/usb/devices/3-2"))));
    UsbAdapter remembered = *adapter;
    remembered.deviceAddress = 9;
    QCOMPARE(locator.detached_adapter(remembered)->deviceAddress, 12);
    QDir(root.path()).mkpath(device + QStringLiteral("3-2:1.1/driver"));
    QVERIFY(!locator.detached_adapter(remembered));
}

QTEST_GUILESS_MAIN(TestSysfsUsbAdapterLocator)
#include "tst_sysfs_usb_adapter_locator.moc"
