// Rescan in the port dialog: a port that appeared after start-up can be
// chosen at once, against the simulated board behind the recorder.
#include "bus/port_discovery.h"
#include "bus/port_names.h"
#include "support/recording_serial_control.h"
#include "sim/simulated_board.h"
#include "ui/dialogs/frm_port_settings.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace zrx;

namespace {

// The state start-up leaves: the scan ran over the board's ports and the
// selected port was opened if it could be.
struct Machine {
    SimulatedBoard board;
    RecordingSerialControl port;
    PortState ports;

    Machine(const QSet<int> &existing, int portNumb)
    {
        board.set_existing_ports(existing);
        port.forward_to(&board);
        ports.PortNumb = portNumb;
        ports.BitRate = 9600;
        scan_com_ports(port, ports);
        open_selected_port(port, ports);
        port.clear_trace();
    }

    QList<int> opened() const
    {
        QList<int> numbers;
        for (const LineOperation &op : port.trace()) {
            if (op.kind == LineOperation::Kind::Open && op.asserted)
                numbers << op.port;
        }
        return numbers;
    }
};

QStringList items(const frmPortSettings &dialog)
{
    auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("comboComPort"));
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

QStringList entries(const QList<int> &ports)
{
    QStringList texts;
    for (const int n : ports)
        texts << port_display_name(n);
    return texts;
}

void click_rescan(frmPortSettings &dialog)
{
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cmdRescan")), Qt::LeftButton);
}

} // namespace

class TestPortRescan : public QObject {
    Q_OBJECT
private slots:
    void rescan_lists_a_port_that_appeared();
    void rescan_keeps_the_open_port();
    void rescan_drops_a_port_that_went();
    void owner_may_replace_the_scan();
    void tab_order_follows_the_rows();
};

void TestPortRescan::rescan_lists_a_port_that_appeared()
{
    Machine m({1}, 5);
    frmPortSettings dialog(m.ports, m.port);
    auto *status = dialog.findChild<QLabel *>(QStringLiteral("txtstatusLabel"));
    auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("comboComPort"));
    QCOMPARE(items(dialog), entries({1}));
    QCOMPARE(status->text(), QStringLiteral("COM5 is unavailable. Please select a different port."));

    m.board.set_existing_ports({1, 5}); // an adapter plugged in
    click_rescan(dialog);

    QCOMPARE(items(dialog), entries({1, 5}));
    QCOMPARE(m.ports.PortNames, (QStringList{"COM1", "COM5"}));
    QVERIFY(m.ports.PortAvailable[5]);
    // Found now: selected as the load selects it, and nothing to complain of.
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(status->text(), QString());
    QVERIFY(!m.port.is_open()); // a scan opens only what was open

    emit combo->activated(1);
    QCOMPARE(m.opened().last(), 5);
    QVERIFY(m.port.is_open());
    QCOMPARE(m.ports.PortNumb, 5);
}

void TestPortRescan::rescan_keeps_the_open_port()
{
    Machine m({1, 3}, 3);
    QVERIFY(m.port.is_open());
    frmPortSettings dialog(m.ports, m.port);

    click_rescan(dialog);

    // Every port probed, then the selected one open again.
    QCOMPARE(m.opened(), (QList<int>{1, 3, 3}));
    QVERIFY(m.port.is_open());
    QCOMPARE(m.port.port_number(), 3);
    QCOMPARE(items(dialog), entries({1, 3}));
    QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("comboComPort"))->currentIndex(), 1);
}

void TestPortRescan::rescan_drops_a_port_that_went()
{
    Machine m({1, 3}, 1);
    frmPortSettings dialog(m.ports, m.port);
    m.board.set_existing_ports({3});
    m.port.close_port(); // the adapter went with the port

    click_rescan(dialog);

    QCOMPARE(items(dialog), entries({3}));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("txtstatusLabel"))->text(),
             QStringLiteral("COM1 is unavailable. Please select a different port."));
}

void TestPortRescan::owner_may_replace_the_scan()
{
    Machine m({1}, 1);
    frmPortSettings dialog(m.ports, m.port);
    int scans = 0;
    dialog.rescan_ports = [&] {
        ++scans;
        m.ports.PortNames = QStringList{QStringLiteral("COM1"), QStringLiteral("COM2")};
        m.ports.PortCount = 2;
    };

    click_rescan(dialog);

    QCOMPARE(scans, 1);
    QVERIFY(m.port.trace().isEmpty());
    QCOMPARE(items(dialog), entries({1, 2}));
}

void TestPortRescan::tab_order_follows_the_rows()
{
    Machine m({1}, 1);
    frmPortSettings dialog(m.ports, m.port);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QWidget *>(QStringLiteral("comboComPort"))->setFocus(Qt::OtherFocusReason);

    QStringList visited;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, (QStringList{"cmdRescan", "comboBitRate", "cmdOK", "cmdCancel", "comboComPort"}));
}

QTEST_MAIN(TestPortRescan)
#include "tst_port_rescan.moc"
