#include "bus/fast_mode_serial_control.h"
#include "bus/port_discovery.h"
#include "bus/port_names.h"
#include "support/recording_serial_control.h"
#include "ui/dialogs/frm_port_settings.h"
#include "ui/dialogs/port_entry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace zrx;

namespace {

// What the start-up scan would have left: the listed ports, all available,
// and the settings store's port and rate. The recorder stands in for the
// port and opens whatever it is asked to.
struct Setup {
    PortState ports;
    RecordingSerialControl port;

    Setup(const QStringList &names, int portNumb, qint32 bitRate)
    {
        ports.PortNames = names;
        ports.PortCount = int(names.size());
        ports.PortNumb = portNumb;
        ports.BitRate = bitRate;
        mark_available_ports(ports);
    }

    // The port numbers of every open, in order.
    QList<int> opens() const
    {
        QList<int> numbers;
        for (const LineOperation &op : port.trace()) {
            if (op.kind == LineOperation::Kind::Open)
                numbers << op.port;
        }
        return numbers;
    }
};

template<typename T>
T *child(QWidget *dialog, const char *name)
{
    T *widget = dialog->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no %s", name);
    return widget;
}

QStringList items(QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

const QStringList Rates = {"4800", "9600", "19200", "28800", "38400"};

} // namespace

class TestFrmPortSettings : public QObject {
    Q_OBJECT
private slots:
    void builds_the_dialog();
    void fast_mode_box_says_why_it_is_off();
    void load_shows_the_stored_port_data();
    void load_shows_the_stored_port();
    void load_shows_the_stored_rate_data();
    void load_shows_the_stored_rate();
    void choosing_a_port_reopens_it_data();
    void choosing_a_port_reopens_it();
    void choosing_a_rate_reopens_the_port();
    void cancel_keeps_the_change();
    void cleared_selection_does_nothing();
    void empty_port_list_still_offers_rates();
    void port_number_of_entry_data();
    void port_number_of_entry();
};

void TestFrmPortSettings::builds_the_dialog()
{
    Setup setup({"COM1"}, 1, 9600);
    frmPortSettings dialog(setup.ports, setup.port, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("COM Port Setup"));
    QVERIFY(dialog.isModal());
    auto *frame = child<QGroupBox>(&dialog, "frmCommPort");
    QCOMPARE(frame->title(), QStringLiteral("Select Serial Port"));
    QVERIFY(frame->font().bold());
    QCOMPARE(child<QLabel>(&dialog, "Label1")->text(), QStringLiteral("Port # :"));
    QCOMPARE(child<QLabel>(&dialog, "Label2")->text(), QStringLiteral("Baud Rate:"));
    QVERIFY(!child<QLabel>(&dialog, "Label1")->font().bold());
    QCOMPARE(child<QPushButton>(&dialog, "cmdOK")->text(), QStringLiteral("OK"));
    QCOMPARE(child<QPushButton>(&dialog, "cmdCancel")->text(), QStringLiteral("Cancel"));
    QCOMPARE(items(child<QComboBox>(&dialog, "comboBitRate")), Rates);
    QCOMPARE(items(child<QComboBox>(&dialog, "comboComPort")), QStringList{port_display_name(1)});
    QVERIFY(child<QComboBox>(&dialog, "comboComPort")->parentWidget() == frame);
    QVERIFY(child<QLabel>(&dialog, "txtstatusLabel")->parentWidget() == frame);
    QVERIFY(child<QPushButton>(&dialog, "cmdOK")->parentWidget() != frame);
}

// A fast-mode choice in a program without the backend, and a port with no
// choice at all (the simulated board): the box is there, off, and says why.
void TestFrmPortSettings::fast_mode_box_says_why_it_is_off()
{
    Setup setup({"COM1"}, 1, 9600);
    FastModeSerialControl withoutBackend(std::make_unique<RecordingSerialControl>(), nullptr);
    withoutBackend.set_fast_mode_wanted(true);
    const std::pair<SerialControl *, const char *> cases[] = {
        {&withoutBackend, "This program was built without FTDI support"},
        {&setup.port, "Fast mode needs a serial port on an FTDI adapter"}};
    for (const auto &[port, tooltip] : cases) {
        frmPortSettings dialog(setup.ports, *port, nullptr);
        auto *box = child<QCheckBox>(&dialog, "chkFastMode");
        QCOMPARE(box->text(), QStringLiteral("Fast mode (FTDI adapters)"));
        QVERIFY(!box->isEnabled());
        QCOMPARE(box->toolTip(), QLatin1String(tooltip));
    }
}

void TestFrmPortSettings::load_shows_the_stored_port_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("portNumb");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("status");
    const QStringList found = {"COM1", "COM3"};
    QTest::newRow("no port stored") << found << 0 << -1 << "Please select a COM port.";
    QTest::newRow("negative port") << found << -2 << -1 << "Please select a COM port.";
    QTest::newRow("stored port missing") << found << 5 << -1 << "COM5 is unavailable. Please select a different port.";
    QTest::newRow("stored port listed") << found << 3 << 1 << "";
    QTest::newRow("first port listed") << found << 1 << 0 << "";
    QTest::newRow("two digits, not a prefix") << QStringList{"COM1", "COM12"} << 1 << 0 << "";
    QTest::newRow("COM1 is not COM12's prefix") << QStringList{"COM12"} << 1 << -1
                                                << "COM1 is unavailable. Please select a different port.";
    QTest::newRow("nothing found, port stored") << QStringList{} << 5 << -1
                                                << "COM5 is unavailable. Please select a different port.";
    QTest::newRow("nothing found, none stored") << QStringList{} << 0 << -1 << "Please select a COM port.";
}

void TestFrmPortSettings::load_shows_the_stored_port()
{
    QFETCH(QStringList, names);
    QFETCH(int, portNumb);
    QFETCH(int, selected);
    QFETCH(QString, status);
    Setup setup(names, portNumb, 9600);
    frmPortSettings dialog(setup.ports, setup.port, nullptr);
    dialog.show();

    auto *combo = child<QComboBox>(&dialog, "comboComPort");
    QStringList shown;
    for (const QString &name : names)
        shown << port_display_name(zrx::port_number_of_entry(name));
    QCOMPARE(items(combo), shown);
    QCOMPARE(combo->currentIndex(), selected);
    QCOMPARE(child<QLabel>(&dialog, "txtstatusLabel")->text(), status);
    QCOMPARE(setup.ports.PortNumb, portNumb);
    // Pre-selecting the stored port is not a user's choice: nothing re-opens,
    // not even when the lists are filled again on an open dialog.
    dialog.port_dialog_load();
    QCOMPARE(combo->currentIndex(), selected);
    QCOMPARE(setup.opens(), QList<int>());
}

void TestFrmPortSettings::load_shows_the_stored_rate_data()
{
    QTest::addColumn<qint32>("stored");
    QTest::addColumn<qint32>("bitRate");
    QTest::addColumn<int>("selected");
    QTest::newRow("none stored becomes 9600") << 0 << 9600 << 1;
    QTest::newRow("4800") << 4800 << 4800 << 0;
    QTest::newRow("38400") << 38400 << 38400 << 4;
    QTest::newRow("57600 is kept, unselected") << 57600 << 57600 << -1;
    QTest::newRow("negative is kept, unselected") << -9600 << -9600 << -1;
}

void TestFrmPortSettings::load_shows_the_stored_rate()
{
    QFETCH(qint32, stored);
    QFETCH(qint32, bitRate);
    QFETCH(int, selected);
    Setup setup({"COM1", "COM3"}, 3, stored);
    frmPortSettings dialog(setup.ports, setup.port, nullptr);

    QCOMPARE(setup.ports.BitRate, bitRate);
    auto *combo = child<QComboBox>(&dialog, "comboBitRate");
    QCOMPARE(items(combo), Rates);
    QCOMPARE(combo->currentIndex(), selected);
    QCOMPARE(setup.opens(), QList<int>());
}

void TestFrmPortSettings::choosing_a_port_reopens_it_data()
{
    QTest::addColumn<int>("portNumb");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QList<int>>("opens");
    QTest::newRow("COM12 from COM1") << 1 << int(Qt::Key_End) << 12 << QList<int>{12};
    QTest::newRow("COM12 from nothing stored") << 0 << int(Qt::Key_End) << 12 << QList<int>{12};
    QTest::newRow("COM3 from a missing COM5") << 5 << int(Qt::Key_Home) << 3 << QList<int>{3};
    // Choosing the entry already chosen still applies it.
    QTest::newRow("COM12 again") << 12 << int(Qt::Key_End) << 12 << QList<int>{};
}

void TestFrmPortSettings::choosing_a_port_reopens_it()
{
    QFETCH(int, portNumb);
    QFETCH(int, key);
    QFETCH(int, chosen);
    QFETCH(QList<int>, opens);
    Setup setup({"COM3", "COM7", "COM12"}, portNumb, 19200);
    frmPortSettings dialog(setup.ports, setup.port, nullptr);
    dialog.show();
    auto *combo = child<QComboBox>(&dialog, "comboComPort");
    QTest::keyClick(combo, Qt::Key(key));
    if (opens.isEmpty()) {
        // The keyboard cannot re-pick the current entry; a click in the list can.
        QCOMPARE(combo->currentIndex(), 2);
        emit combo->activated(2);
        opens = {12};
    }

    QCOMPARE(setup.ports.PortNumb, chosen);
    QCOMPARE(setup.opens(), opens);
    QVERIFY(setup.port.is_open());
    QCOMPARE(setup.port.configuration().CommPort, chosen);
    QCOMPARE(setup.port.configuration().Settings, QStringLiteral("19200,N,8,1"));
    QCOMPARE(setup.ports.BitRate, 19200);
}

void TestFrmPortSettings::choosing_a_rate_reopens_the_port()
{
    Setup setup({"COM1", "COM3"}, 3, 9600);
    frmPortSettings dialog(setup.ports, setup.port, nullptr);
    dialog.show();
    QTest::keyClick(child<QComboBox>(&dialog, "comboBitRate"), Qt::Key_End);

    QCOMPARE(setup.ports.BitRate, 38400);
    QCOMPARE(setup.ports.PortNumb, 3);
    QCOMPARE(setup.opens(), QList<int>{3});
    QCOMPARE(setup.port.configuration().Settings, QStringLiteral("38400,N,8,1"));
    QCOMPARE(setup.port.timeouts().ReadTotalTimeoutConstant, 1000u);
}

void TestFrmPortSettings::cancel_keeps_the_change()
{
    Setup setup({"COM1", "COM3"}, 1, 9600);
    frmPortSettings dialog(setup.ports, setup.port, nullptr);
    dialog.show();
    QTest::keyClick(child<QComboBox>(&dialog, "comboBitRate"), Qt::Key_Home);
    QTest::keyClick(child<QComboBox>(&dialog, "comboComPort"), Qt::Key_Down);
    const LineTrace before = setup.port.trace();
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdCancel"), Qt::LeftButton);

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(setup.ports.BitRate, 4800);
    QCOMPARE(setup.ports.PortNumb, 3);
    // Closing touched the port no more: it stays open on COM3 at 4800.
    QCOMPARE(setup.port.trace(), before);
    QVERIFY(setup.port.is_open());
    QCOMPARE(setup.port.configuration().CommPort, 3);
    QCOMPARE(setup.port.configuration().Settings, QStringLiteral("4800,N,8,1"));
}

void TestFrmPortSettings::cleared_selection_does_nothing()
{
    Setup setup({"COM1", "COM3"}, 0, 57600);
    frmPortSettings dialog(setup.ports, setup.port, nullptr);
    dialog.port_selected();
    dialog.bit_rate_selected();
    QCOMPARE(setup.ports.PortNumb, 0);
    QCOMPARE(setup.ports.BitRate, 57600);
    QCOMPARE(setup.port.trace(), LineTrace());
}

void TestFrmPortSettings::empty_port_list_still_offers_rates()
{
    Setup setup({}, 2, 19200);
    frmPortSettings dialog(setup.ports, setup.port, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *ports = child<QComboBox>(&dialog, "comboComPort");
    QTest::keyClick(ports, Qt::Key_Down);
    QCOMPARE(ports->count(), 0);
    QCOMPARE(setup.ports.PortNumb, 2);
    QCOMPARE(child<QLabel>(&dialog, "txtstatusLabel")->text(),
             QStringLiteral("COM2 is unavailable. Please select a different port."));
    QCOMPARE(child<QComboBox>(&dialog, "comboBitRate")->currentIndex(), 2);

    // COM2 was never found, so a new rate is stored but opens nothing.
    QTest::keyClick(child<QComboBox>(&dialog, "comboBitRate"), Qt::Key_Up);
    QCOMPARE(setup.ports.BitRate, 9600);
    QCOMPARE(setup.opens(), QList<int>());
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdOK"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestFrmPortSettings::port_number_of_entry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("number");
    QTest::newRow("COM5") << "COM5" << 5;
    QTest::newRow("COM16") << "COM16" << 16;
    QTest::newRow("with its device") << "COM12 (/dev/ttyUSB7)" << 12;
    QTest::newRow("device digits are not the number") << "COM5  (/dev/ttyUSB0)" << 5;
    QTest::newRow("no number") << "COM" << 0;
    QTest::newRow("not a COM name") << "ttyS0" << 0;
    QTest::newRow("lower case") << "com3" << 0;
}

void TestFrmPortSettings::port_number_of_entry()
{
    QFETCH(QString, entry);
    QFETCH(int, number);
    QCOMPARE(zrx::port_number_of_entry(entry), number);
}

QTEST_MAIN(TestFrmPortSettings)
#include "tst_frm_port_settings.moc"
