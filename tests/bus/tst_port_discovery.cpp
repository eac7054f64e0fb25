#include "bus/port_discovery.h"

#include <QSet>
#include <QTest>

using namespace zrx;

namespace {

// A machine's ports as the scan sees them: some free, some held by another
// program, the rest absent. Every open attempt is kept.
class FakePorts : public SerialControl {
public:
    QSet<int> free;
    QSet<int> held;
    QList<PortConfiguration> opens;
    int closes = 0;
    int openedWhileOpen = 0;
    QList<PortTimeouts> timeoutWrites;
    bool open = false;
    int number = 0;

    OpenOutcome open_port(const PortConfiguration &configuration) override
    {
        opens << configuration;
        number = configuration.CommPort;
        if (open)
            ++openedWhileOpen;
        if (held.contains(number))
            return OpenOutcome::HeldElsewhere;
        if (!free.contains(number))
            return OpenOutcome::Failed;
        open = true;
        return OpenOutcome::Opened;
    }
    void close_port() override
    {
        ++closes;
        open = false;
    }
    bool is_open() const override { return open; }
    int port_number() const override { return number; }
    QString error_text() const override { return {}; }
    bool output(const QByteArray &) override { return false; }
    PortTimeouts timeouts() const override { return timeoutWrites.value(timeoutWrites.size() - 1); }
    void set_timeouts(const PortTimeouts &timeouts) override { timeoutWrites << timeouts; }
    void set_dtr(bool) override {}
    void set_rts(bool) override {}
    bool dsr() override { return false; }

    QList<int> opened_numbers() const
    {
        QList<int> numbers;
        for (const PortConfiguration &c : opens)
            numbers << c.CommPort;
        return numbers;
    }
};

PortConfiguration on_port(int portNumber)
{
    PortConfiguration configuration;
    configuration.CommPort = portNumber;
    return configuration;
}

QList<int> available_numbers(const PortState &ports)
{
    QList<int> numbers;
    for (int n = 0; n <= HighestPortNumber; ++n) {
        if (ports.PortAvailable[n])
            numbers << n;
    }
    return numbers;
}

QList<int> one_to_sixteen()
{
    QList<int> numbers;
    for (int n = 1; n <= HighestPortNumber; ++n)
        numbers << n;
    return numbers;
}

} // namespace

class TestPortDiscovery : public QObject {
    Q_OBJECT
private slots:
    void scan_data();
    void scan();
    void scan_restores_the_open_port();
    void mark_available_ports_matches_exact_names();
    void held_port_loses_its_flag_and_is_not_retried();
    void port_numbers_outside_range_open_nothing_data();
    void port_numbers_outside_range_open_nothing();
    void opening_writes_the_configuration();
    void opening_closes_the_previous_port_first();
    void char_time_ms_data();
    void char_time_ms();
    void timeouts_data();
    void timeouts();
    void timeouts_need_an_open_port();
};

void TestPortDiscovery::scan_data()
{
    QTest::addColumn<QList<int>>("free");
    QTest::addColumn<QList<int>>("held");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("COM1 and COM3 free") << QList<int>{1, 3} << QList<int>{} << QStringList{"COM1", "COM3"};
    QTest::newRow("no port at all") << QList<int>{} << QList<int>{} << QStringList{};
    QTest::newRow("held elsewhere is listed") << QList<int>{5} << QList<int>{2, 16}
                                              << QStringList{"COM2", "COM5", "COM16"};
    QTest::newRow("every port") << one_to_sixteen() << QList<int>{}
                                << QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6",
                                               "COM7", "COM8", "COM9", "COM10", "COM11", "COM12",
                                               "COM13", "COM14", "COM15", "COM16"};
}

void TestPortDiscovery::scan()
{
    QFETCH(QList<int>, free);
    QFETCH(QList<int>, held);
    QFETCH(QStringList, names);
    FakePorts port;
    port.free = QSet<int>(free.begin(), free.end());
    port.held = QSet<int>(held.begin(), held.end());
    PortState ports;
    ports.BitRate = 9600;

    scan_com_ports(port, ports);

    QCOMPARE(ports.PortNames, names);
    QCOMPARE(ports.PortCount, names.size());
    QList<int> listed = free + held;
    std::sort(listed.begin(), listed.end());
    QCOMPARE(available_numbers(ports), listed);
    QCOMPARE(port.opened_numbers(), one_to_sixteen());
    QCOMPARE(port.openedWhileOpen, 0);
    QVERIFY(!port.is_open());
}

void TestPortDiscovery::scan_restores_the_open_port()
{
    FakePorts port;
    port.free = {1, 3};
    PortState ports;
    ports.PortNumb = 3;
    ports.BitRate = 19200;
    port.open_port(on_port(3));
    port.opens.clear();

    scan_com_ports(port, ports);

    QCOMPARE(port.openedWhileOpen, 0);
    QCOMPARE(port.opens.size(), HighestPortNumber + 1);
    QCOMPARE(port.opens.last().CommPort, 3);
    QCOMPARE(port.opens.last().Settings, QStringLiteral("19200,N,8,1"));
    QVERIFY(port.is_open());
    QCOMPARE(ports.PortNumb, 3);
    QCOMPARE(ports.PortNames, (QStringList{"COM1", "COM3"}));
}

void TestPortDiscovery::mark_available_ports_matches_exact_names()
{
    PortState ports;
    ports.PortAvailable[5] = true; // from an earlier scan: never cleared here
    ports.PortNames = {"COM1", "com2", "COM 3", "COM04", "COM16", "COM7"};
    ports.PortCount = 5; // COM7 lies beyond the count

    mark_available_ports(ports);

    QCOMPARE(available_numbers(ports), (QList<int>{1, 5, 16}));
}

void TestPortDiscovery::held_port_loses_its_flag_and_is_not_retried()
{
    FakePorts port;
    port.held = {2};
    PortState ports;
    ports.BitRate = 9600;
    scan_com_ports(port, ports);
    QVERIFY(ports.PortAvailable[2]);

    port.opens.clear();
    QVERIFY(!fncInitializeComPort(port, ports, 9600, 2));
    QVERIFY(!ports.PortAvailable[2]);
    QCOMPARE(port.opens.size(), 1);

    ports.PortNumb = 2;
    open_selected_port(port, ports);
    open_selected_port(port, ports);
    QCOMPARE(port.opens.size(), 1);
    QVERIFY(port.timeoutWrites.isEmpty());
    QVERIFY(!ports.PortAvailable[2]);
}

void TestPortDiscovery::port_numbers_outside_range_open_nothing_data()
{
    QTest::addColumn<int>("portNumber");
    QTest::newRow("0: no port selected") << 0;
    QTest::newRow("17") << 17;
    QTest::newRow("99") << 99;
    QTest::newRow("-1") << -1;
}

void TestPortDiscovery::port_numbers_outside_range_open_nothing()
{
    QFETCH(int, portNumber);
    FakePorts port;
    port.free = QSet<int>{1, 2, 3, 17, 99, 0, -1};
    PortState ports;
    ports.PortAvailable.fill(true); // even index 0: the range check must stop it
    ports.PortNumb = portNumber;
    ports.BitRate = 9600;

    open_selected_port(port, ports);
    QVERIFY(port.opens.isEmpty());
    QVERIFY(!fncInitializeComPort(port, ports, 9600, portNumber));
    QVERIFY(port.opens.isEmpty());
    QVERIFY(!port.is_open());
}

void TestPortDiscovery::opening_writes_the_configuration()
{
    FakePorts port;
    port.free = {4};
    PortState ports;
    ports.PortAvailable[4] = true;
    ports.PortNumb = 4;
    ports.BitRate = 19200;

    open_selected_port(port, ports);

    QCOMPARE(port.opens.size(), 1);
    const PortConfiguration &c = port.opens.first();
    QCOMPARE(c.CommPort, 4);
    QCOMPARE(c.Settings, QStringLiteral("19200,N,8,1"));
    QCOMPARE(c.InputLen, 0);
    QCOMPARE(c.InBufferSize, 1024);
    QCOMPARE(c.RThreshold, 0);
    QCOMPARE(c.InputMode, 1);
    QCOMPARE(c.OutBufferSize, 1024);
    QCOMPARE(c.SThreshold, 0);
    QCOMPARE(c.Handshaking, 0);
    QVERIFY(port.is_open());
    QCOMPARE(port.timeoutWrites.size(), 1);
}

void TestPortDiscovery::opening_closes_the_previous_port_first()
{
    FakePorts port;
    port.free = {2, 4};
    PortState ports;
    QVERIFY(fncInitializeComPort(port, ports, 9600, 2));
    QVERIFY(fncInitializeComPort(port, ports, 4800, 4));
    QCOMPARE(port.closes, 1);
    QCOMPARE(port.openedWhileOpen, 0);
    QCOMPARE(port.port_number(), 4);
    QCOMPARE(port.opens.last().Settings, QStringLiteral("4800,N,8,1"));

    // A failed open leaves the old port closed, not silently kept.
    QVERIFY(!fncInitializeComPort(port, ports, 9600, 7));
    QVERIFY(!port.is_open());
}

void TestPortDiscovery::char_time_ms_data()
{
    QTest::addColumn<qint32>("bitRate");
    QTest::addColumn<int>("ms");
    QTest::newRow("1200") << 1200 << 8;
    QTest::newRow("2400") << 2400 << 4;
    QTest::newRow("4800") << 4800 << 2;
    QTest::newRow("9600") << 9600 << 1;
    QTest::newRow("14400") << 14400 << 1;
    QTest::newRow("19200") << 19200 << 1;
    QTest::newRow("28800") << 28800 << 0;
    QTest::newRow("38400") << 38400 << 0;
    QTest::newRow("57600") << 57600 << 0;
    QTest::newRow("115200") << 115200 << 0;
    // Exact halves go to the even neighbour, not up.
    QTest::newRow("4000: 2.5") << 4000 << 2;
    QTest::newRow("800: 12.5") << 800 << 12;
    QTest::newRow("20000: 0.5") << 20000 << 0;
    QTest::newRow("6000: 1.67") << 6000 << 2;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("negative") << -9600 << 0;
}

void TestPortDiscovery::char_time_ms()
{
    QFETCH(qint32, bitRate);
    QFETCH(int, ms);
    QCOMPARE(zrx::char_time_ms(bitRate), ms);
}

void TestPortDiscovery::timeouts_data()
{
    QTest::addColumn<qint32>("bitRate");
    QTest::addColumn<quint32>("t");
    QTest::newRow("4800") << 4800 << 2u;
    QTest::newRow("19200") << 19200 << 1u;
    QTest::newRow("115200") << 115200 << 0u;
}

void TestPortDiscovery::timeouts()
{
    QFETCH(qint32, bitRate);
    QFETCH(quint32, t);
    FakePorts port;
    port.free = {1};
    port.open_port(on_port(1));

    set_port_timeouts(port, bitRate);

    QCOMPARE(port.timeoutWrites.size(), 1);
    const PortTimeouts expected{t, t, 1000, t, 1000};
    QCOMPARE(port.timeoutWrites.first(), expected);
}

void TestPortDiscovery::timeouts_need_an_open_port()
{
    FakePorts port;
    set_port_timeouts(port, 9600);
    QVERIFY(port.timeoutWrites.isEmpty());
}

QTEST_GUILESS_MAIN(TestPortDiscovery)
#include "tst_port_discovery.moc"
