#include "bus/port_names.h"

#include <QTest>

using namespace zrx;

class TestPortNames : public QObject {
    Q_OBJECT
private slots:
    void default_devices_data();
    void default_devices();
    void no_device_outside_one_to_sixteen();
    void display_name_of_a_replaced_table();
};

void TestPortNames::default_devices_data()
{
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("display");
#ifdef Q_OS_WIN
    QTest::newRow("COM1") << 1 << "COM1" << "COM1";
    QTest::newRow("COM16") << 16 << "COM16" << "COM16";
#else
    QTest::newRow("COM1") << 1 << "/dev/ttyS0" << "COM1 (/dev/ttyS0)";
    QTest::newRow("COM4") << 4 << "/dev/ttyS3" << "COM4 (/dev/ttyS3)";
    QTest::newRow("COM5") << 5 << "/dev/ttyUSB0" << "COM5 (/dev/ttyUSB0)";
    QTest::newRow("COM12") << 12 << "/dev/ttyUSB7" << "COM12 (/dev/ttyUSB7)";
    QTest::newRow("COM13") << 13 << "/dev/ttyACM0" << "COM13 (/dev/ttyACM0)";
    QTest::newRow("COM16") << 16 << "/dev/ttyACM3" << "COM16 (/dev/ttyACM3)";
#endif
}

void TestPortNames::default_devices()
{
    QFETCH(int, portNumber);
    QFETCH(QString, device);
    QFETCH(QString, display);
    QCOMPARE(port_device(default_port_devices(), portNumber), device);
    QCOMPARE(port_display_name(portNumber), display);
    QCOMPARE(port_name(portNumber), QStringLiteral("COM%1").arg(portNumber));
}

void TestPortNames::no_device_outside_one_to_sixteen()
{
    const PortDeviceTable devices = default_port_devices();
    for (int portNumber : {-1, 0, 17, 99})
        QVERIFY(port_device(devices, portNumber).isEmpty());
    QCOMPARE(port_display_name(0), QStringLiteral("COM0"));
    QCOMPARE(port_display_name(99), QStringLiteral("COM99"));
}

void TestPortNames::display_name_of_a_replaced_table()
{
    PortDeviceTable devices;
    devices.Nodes[3] = QStringLiteral("/tmp/pty-stand-in");
    QCOMPARE(port_display_name(3, devices), QStringLiteral("COM3 (/tmp/pty-stand-in)"));
    QCOMPARE(port_display_name(4, devices), QStringLiteral("COM4"));
}

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_port_names.moc"
