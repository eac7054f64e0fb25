// The main window's status line: where the port stands and whether the chip
// answered, on the simulated board behind the recorder.
#include "main_window_fixture.h"

#include "bus/port_discovery.h"
#include "bus/port_names.h"
#include "core/number_text.h"
#include "sim/demo_board.h"
#include "store/demo_settings.h"
#include "store/settings_keys.h"
#include "support/line_trace_decoder.h"
#include "ui/main/status_label.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTest>
#include <QTimer>

using namespace zrx;

namespace {

QString status_port(const MainWindowFixture &f)
{
    return f.window->findChild<StatusLabel *>(QStringLiteral("statusPort"))->text();
}

QString status_chip(const MainWindowFixture &f)
{
    return f.window->findChild<StatusLabel *>(QStringLiteral("statusChip"))->text();
}

void store_port(MainWindowFixture &f, const QString &portNumb, const QString &bitRate = QStringLiteral("9600"))
{
    if (!portNumb.isNull())
        f.store.write(PortNumbEntry.section, PortNumbEntry.key, portNumb);
    f.store.write(BitRateEntry.section, BitRateEntry.key, bitRate);
}

QSet<int> set_of(const QList<int> &ports)
{
    return QSet<int>(ports.begin(), ports.end());
}

QString dialout_advice()
{
#ifdef Q_OS_LINUX
    return QStringLiteral(" (on Linux, add your user to the dialout group)");
#else
    return {};
#endif
}

// Runs `inside` once the port dialog is up, then closes it.
void with_port_dialog(MainWindowFixture &f, std::function<void(QDialog *)> inside)
{
    QTimer::singleShot(0, f.window.get(), [inside] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        inside(dialog);
        dialog->accept();
    });
    f.mouse_click(f.button(QStringLiteral("Command11")));
}

void pick_port(QDialog *dialog, int portNumber)
{
    auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("comboComPort"));
    const int index = combo->findText(port_display_name(portNumber));
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace

class TestStatusLine : public QObject {
    Q_OBJECT
private slots:
    void simulated_board_touches_no_port();
    void port_texts_after_start_up_data();
    void port_texts_after_start_up();
    void lost_port();
    void follows_every_open_attempt();
    void follows_the_port_dialog_while_it_is_open();
    void silent_chip_and_recovery();
    void first_run_on_a_real_board_asks_for_vsup();
    void first_run_of_the_demo_responds();
};

void TestStatusLine::simulated_board_touches_no_port()
{
    MainWindowFixture f;
    store_port(f, QStringLiteral("5"));
    f.window->start_up();

    for (const LineOperation &op : f.recorder->trace())
        QVERIFY2(op.kind != LineOperation::Kind::Open && op.kind != LineOperation::Kind::Close,
                 qPrintable(line_trace_text({op})));
    QVERIFY(f.recorder->is_open());
    QCOMPARE(status_port(f), QStringLiteral("Simulated board"));
    QCOMPARE(status_chip(f), QString());
    QCOMPARE(f.window->windowTitle(), QStringLiteral("ZRX50346 - simulated board"));
    // The board answers as the one port it is on; the stored port stays.
    QCOMPARE(f.window->ports().PortNames, QStringList{QStringLiteral("COM1")});
    QCOMPARE(f.window->ports().PortNumb, 5);

    // Its dialog offers that port, and Rescan neither probes nor opens anything.
    f.recorder->clear_trace();
    f.window->show();
    QStringList listed;
    with_port_dialog(f, [&listed](QDialog *dialog) {
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdRescan")), Qt::LeftButton);
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("comboComPort"));
        for (int i = 0; i < combo->count(); ++i)
            listed << combo->itemText(i);
    });
    QCOMPARE(listed, QStringList{port_display_name(1)});
    QVERIFY(f.recorder->trace().isEmpty());
    QCOMPARE(status_port(f), QStringLiteral("Simulated board"));
}

void TestStatusLine::port_texts_after_start_up_data()
{
    QTest::addColumn<QList<int>>("existing");
    QTest::addColumn<QList<int>>("held");
    QTest::addColumn<QList<int>>("refused");
    QTest::addColumn<QString>("portNumb");
    QTest::addColumn<QString>("bitRate");
    QTest::addColumn<QString>("text");

    const QList<int> some{1, 3, 5};
    QTest::newRow("open") << some << QList<int>{} << QList<int>{} << "5" << "9600"
                          << port_display_name(5) + ", 9600 baud: open";
    QTest::newRow("open at another rate") << some << QList<int>{} << QList<int>{} << "3" << "19200"
                                          << port_display_name(3) + ", 19200 baud: open";
    QTest::newRow("no permission") << some << QList<int>{} << QList<int>{3} << "3" << "9600"
                                   << port_display_name(3) + " could not be opened: permission denied"
                                          + dialout_advice();
    QTest::newRow("held by another program") << some << QList<int>{3} << QList<int>{} << "3" << "9600"
                                             << port_display_name(3) + " is in use by another program";
    QTest::newRow("not there") << some << QList<int>{} << QList<int>{} << "7" << "9600"
                               << port_display_name(7) + " could not be opened: COM7 does not exist";
    QTest::newRow("nothing stored") << some << QList<int>{} << QList<int>{} << QString() << "9600"
                                    << "No serial port selected";
    QTest::newRow("port 0") << some << QList<int>{} << QList<int>{} << "0" << "9600" << "No serial port selected";
    QTest::newRow("port 17") << some << QList<int>{} << QList<int>{} << "17" << "9600" << "No serial port selected";
}

void TestStatusLine::port_texts_after_start_up()
{
    QFETCH(QList<int>, existing);
    QFETCH(QList<int>, held);
    QFETCH(QList<int>, refused);
    QFETCH(QString, portNumb);
    QFETCH(QString, bitRate);
    QFETCH(QString, text);
    MainWindowFixture f(BoardConnection::SerialPort);
    f.board.set_existing_ports(set_of(existing));
    f.board.set_held_ports(set_of(held));
    f.board.set_refused_ports(set_of(refused));
    store_port(f, portNumb, bitRate);

    f.start();

    QCOMPARE(status_port(f), text);
}

void TestStatusLine::lost_port()
{
    MainWindowFixture f(BoardConnection::SerialPort);
    f.board.set_existing_ports({5});
    store_port(f, QStringLiteral("5"));
    f.start();
    QCOMPARE(status_port(f), port_display_name(5) + QStringLiteral(", 9600 baud: open"));

    f.board.lose_port_after(10);
    f.mouse_click(f.button(QStringLiteral("Command5")));

    QCOMPARE(status_port(f), port_display_name(5) + QStringLiteral(" was disconnected"));
}

// Whoever opens the port, the status line hears of it at once.
void TestStatusLine::follows_every_open_attempt()
{
    MainWindowFixture f(BoardConnection::SerialPort);
    f.board.set_existing_ports({3, 5});
    f.board.set_held_ports({3});
    store_port(f, QStringLiteral("5"));
    f.start();

    f.window->ports().PortNumb = 3;
    open_selected_port(f.window->MSComm1(), f.window->ports());
    QCOMPARE(status_port(f), port_display_name(3) + QStringLiteral(" is in use by another program"));

    f.window->ports().PortNumb = 5;
    f.window->ports().BitRate = 4800;
    open_selected_port(f.window->MSComm1(), f.window->ports());
    QCOMPARE(status_port(f), port_display_name(5) + QStringLiteral(", 4800 baud: open"));

    f.window->MSComm1().close_port();
    QCOMPARE(status_port(f), port_display_name(5) + QStringLiteral(": closed"));
}

void TestStatusLine::follows_the_port_dialog_while_it_is_open()
{
    MainWindowFixture f(BoardConnection::SerialPort);
    f.board.set_existing_ports({3, 5});
    f.board.set_held_ports({3});
    store_port(f, QStringLiteral("5"));
    f.start();

    QStringList seen;
    with_port_dialog(f, [&f, &seen](QDialog *dialog) {
        pick_port(dialog, 3);
        seen << status_port(f);
        // Held: its flag is now down, so picking it again opens nothing.
        pick_port(dialog, 3);
        seen << status_port(f);
        pick_port(dialog, 5);
        seen << status_port(f);
    });

    QCOMPARE(seen, (QStringList{port_display_name(3) + QStringLiteral(" is in use by another program"),
                                port_display_name(3) + QStringLiteral(" is in use by another program"),
                                port_display_name(5) + QStringLiteral(", 9600 baud: open")}));
    QCOMPARE(status_port(f), seen.last());
}

void TestStatusLine::silent_chip_and_recovery()
{
    MainWindowFixture f;
    f.board.chip().set_present(false);
    f.start();
    QCOMPARE(status_chip(f), QStringLiteral("No answer from the chip at address E8h (A0 = 0)"));
    // Only what the words mean is said: the traffic is the plain read-back.
    QCOMPARE(f.startupTrace.mid(0, 50), read_back(QList<int>(24, 0xFFFF), 0xFFFF));

    f.mouse_click(f.button(QStringLiteral("Command7")));
    QCOMPARE(status_chip(f), QStringLiteral("No answer from the chip at address EAh (A0 = 1)"));

    // A chip strapped A0 = 1 answers, even if every channel reads 0.
    f.board.chip().set_present(true);
    f.board.chip().set_a0_strap(1);
    f.mouse_click(f.button(QStringLiteral("Command5")));
    QCOMPARE(status_chip(f), QString());

    // Reset reads back too.
    f.board.chip().set_present(false);
    f.mouse_click(f.button(QStringLiteral("Command6")));
    QCOMPARE(status_chip(f), QStringLiteral("No answer from the chip at address EAh (A0 = 1)"));
}

// Nothing stored: the reference is 0 V and typed voltages do nothing, as on
// every first run of a real board; the status line says why and what to do.
void TestStatusLine::first_run_on_a_real_board_asks_for_vsup()
{
    MainWindowFixture f(BoardConnection::SerialPort);
    store_port(f, QStringLiteral("1"));
    f.start();
    const auto status_vsup = [&f] { return f.window->findChild<StatusLabel *>(QStringLiteral("statusVsup"))->text(); };
    QCOMPARE(f.window->table().VrefHigh, 0.0);
    QCOMPARE(status_vsup(), QStringLiteral("Vsup is 0 V: enter the board's supply voltage to set voltages"));

    f.type_into(f.vsup_box(), QStringLiteral("5"));
    f.press_tab();
    QCOMPARE(status_vsup(), QString());
    f.type_into(f.vsup_box(), QStringLiteral("-2"));
    f.press_tab();
    QCOMPARE(status_vsup(), QStringLiteral("Vsup is -2 V: enter the board's supply voltage to set voltages"));
}

// The demo's first look: its own empty store and the demo chip give a board
// that answers typing at once.
void TestStatusLine::first_run_of_the_demo_responds()
{
    MainWindowFixture f;
    seed_demo_settings(f.store);
    load_demo_codes(f.board.chip());
    f.start();
    QCOMPARE(f.vsup_box()->text(), QStringLiteral(" 10"));
    QCOMPARE(f.window->findChild<StatusLabel *>(QStringLiteral("statusVsup"))->text(), QString());
    QCOMPARE(f.code_box(1)->text(), format_code(f.board.chip().register_word(0)));
    QVERIFY(f.board.chip().register_word(0) > f.board.chip().register_word(23));
    QCOMPARE(f.code_box(19)->text(), QStringLiteral("200"));

    f.take_transactions();
    f.type_into(f.volts_box(3), QStringLiteral("5"));
    QCOMPARE(f.board.chip().register_word(2), quint16(512));

    // The switch to A0 = 1 keeps a usable reference too.
    f.mouse_click(f.button(QStringLiteral("Command7")));
    QCOMPARE(f.vsup_box()->text(), QStringLiteral(" 10"));
}

QTEST_MAIN(TestStatusLine)
#include "tst_status_line.moc"
