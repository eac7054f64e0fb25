// Fast mode through the real window: the fake libftdi moves a simulated chip
// with the pin states the FTDI backend writes, and its pins are decoded like
// the recorder's trace of the per-request path.
#include "main_window_fixture.h"

#include "bus/bus_log_text.h"
#include "bus/fast_mode_serial_control.h"
#include "bus/ftdi/ftdi_bit_bang_control.h"
#include "fake_ftdi_adapter.h"
#include "fake_usb_adapter_locator.h"
#include "store/settings_keys.h"
#include "support/line_trace_decoder.h"
#include "ui/batch/frm_batch.h"
#include "ui/main/close_signals.h"
#include "ui/main/status_label.h"
#include "ui/panel/frm_slider.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace zrx;

namespace {

// The window on COM5 (/dev/ttyUSB0) at 9600 baud, on the per-request path
// (the recorder on the simulated board) or in fast mode on the fake adapter.
// Both chips start with the same codes.
struct Rig {
    explicit Rig(bool fast)
    {
        if (!fast) {
            f = std::make_unique<MainWindowFixture>(BoardConnection::SerialPort);
            f->board.set_existing_ports({5});
            chip = &f->board.chip();
        } else {
            chip = &FakeFtdiAdapter::reset().chip;
            auto board = std::make_unique<SimulatedBoard>();
            board->set_existing_ports({5});
            perRequestBoard = board.get();
            perRequestChip = &board->chip();
            auto ftdi = make_fake_ftdi_control();
            fastPort = ftdi.get();
            auto port = std::make_unique<FastModeSerialControl>(std::move(board), std::move(ftdi));
            port->set_fast_mode_wanted(true);
            f = std::make_unique<MainWindowFixture>(BoardConnection::SerialPort, std::move(port));
        }
        for (int i = 0; i < 4; ++i)
            chip->set_register_word(i, quint16(0x2A5 + 0x77 * i));
        f->store.write(PortNumbEntry.section, PortNumbEntry.key, QStringLiteral("5"));
        f->store.write(BitRateEntry.section, BitRateEntry.key, QStringLiteral("9600"));
        f->store.write(VrefHigh0Entry.section, VrefHigh0Entry.key, QStringLiteral("10"));
    }

    LineTrace take_wire()
    {
        if (f->recorder)
            return f->recorder->take_trace();
        const LineTrace trace = FakeFtdiAdapter::get().line_trace();
        FakeFtdiAdapter::get().events.clear();
        return trace;
    }

    QString status() const { return f->window->findChild<StatusLabel *>(QStringLiteral("statusPort"))->text(); }

    std::unique_ptr<MainWindowFixture> f;
    SimulatedChip *chip = nullptr;
    SimulatedChip *perRequestChip = nullptr; // fast mode: behind the fallback
    SimulatedBoard *perRequestBoard = nullptr;
    FtdiBitBangControl *fastPort = nullptr;
};

// The bytes of each transaction ("E9 02 A5"), from decoded text or the log.
QStringList bytes_of(const QStringList &transactions)
{
    static const QRegularExpression byte(QStringLiteral("\\b[0-9A-F]{2}\\b"));
    QStringList bytes;
    for (const QString &t : transactions) {
        QStringList found;
        for (const QRegularExpressionMatch &m : byte.globalMatch(t))
            found << m.captured();
        bytes << found.join(QLatin1Char(' '));
    }
    return bytes;
}

QStringList logged_bytes(const BusLog &log, qsizetype count)
{
    QStringList rows;
    for (qsizetype i = std::max<qsizetype>(0, log.size() - count); i < log.size(); ++i)
        rows << bus_row_field(log.at(int(i)), BusLogColumn::Bytes);
    return rows;
}

// DTR and RTS level changes, as a scope on the port would count them.
int line_changes(const LineTrace &trace)
{
    int changes = 0;
    bool levels[2] = {false, false};
    for (const LineOperation &op : trace) {
        const bool rts = op.kind == LineOperation::Kind::Rts;
        if ((rts || op.kind == LineOperation::Kind::Dtr) && std::exchange(levels[rts], op.asserted) != op.asserted)
            ++changes;
    }
    return changes;
}

void write_set(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("10\r\n");
    for (int c = 1; c <= 24; ++c)
        file.write(QByteArray::number(c * 37) + "\r\n");
}

using Command = std::function<void(MainWindowFixture &, SimulatedChip &)>;

} // namespace

Q_DECLARE_METATYPE(Command)

class TestFastMode : public QObject {
    Q_OBJECT
private slots:
    void same_traffic_on_both_paths_data();
    void same_traffic_on_both_paths();
    void adapter_pulled_in_a_transaction();
    void adapter_refused_falls_back();
    void switched_off_in_the_port_dialog();
    void signal_gives_the_adapter_back_data();
    void signal_gives_the_adapter_back();
    void start_after_a_killed_run_data();
    void start_after_a_killed_run();

private:
    QTemporaryDir m_dir;
};

void TestFastMode::same_traffic_on_both_paths_data()
{
    QTest::addColumn<Command>("command");
    const auto click = [](const char *button) {
        return Command([button](MainWindowFixture &f, SimulatedChip &) { f.button(QLatin1String(button))->click(); });
    };
    const QString dir = m_dir.path();
    QTest::newRow("start-up") << Command();
    QTest::newRow("typing") << Command([](MainWindowFixture &f, SimulatedChip &) {
        f.type_into(f.volts_box(3), QStringLiteral("2.5"));
        f.press_tab();
    });
    QTest::newRow("up/down") << Command([](MainWindowFixture &f, SimulatedChip &) {
        f.mouse_click(f.volts_box(4));
        f.mouse_click(f.widget(QStringLiteral("UpDown1_up")));
        f.mouse_click(f.widget(QStringLiteral("UpDown1_down")));
    });
    QTest::newRow("Read DAC") << click("Command5");
    QTest::newRow("Reset") << click("Command6");
    QTest::newRow("Program OTP") << click("Command10");
    QTest::newRow("Change Address") << Command([](MainWindowFixture &f, SimulatedChip &chip) {
        chip.set_a0_strap(1); // the jumper moved first, so the chip answers both ways
        f.button(QStringLiteral("Command7"))->click();
    });
    QTest::newRow("file load") << Command([dir](MainWindowFixture &f, SimulatedChip &) {
        f.fileToChoose = dir + QStringLiteral("/load.csv");
        write_set(f.fileToChoose);
        f.button(QStringLiteral("Command2"))->click();
    });
    QTest::newRow("batch step with marker") << Command([dir](MainWindowFixture &f, SimulatedChip &) {
        QDir(dir).mkpath(QStringLiteral("batch"));
        write_set(dir + QStringLiteral("/batch/step.csv"));
        f.store.write(DefaultDirEntry.section, DefaultDirEntry.key, dir + QStringLiteral("/batch"));
        BatchState state;
        frm_batch batch(f.window->chip(), f.window->MSComm1(), f.store, state, f.window.get());
        batch.findChild<QListWidget *>(QStringLiteral("File1"))->item(0)->setSelected(true);
        batch.single_step(StepDirection::Down);
    });
    QTest::newRow("slider") << Command([](MainWindowFixture &f, SimulatedChip &) {
        f.button(QStringLiteral("Command9"))->click();
        f.window->control_panel()->findChild<QSlider *>(QStringLiteral("Slider1_6"))->triggerAction(
            QAbstractSlider::SliderPageStepSub);
    });
}

// The chip answers every byte here, so a written byte's ninth clock reads
// "A" on both paths: the per-request path never samples it, the fake's pins
// are read as an analyser reads them.
void TestFastMode::same_traffic_on_both_paths()
{
    QFETCH(Command, command);
    Rig rigs[2] = {Rig(false), Rig(true)};
    QStringList traffic[2];
    int changes[2];
    for (int fast = 0; fast < 2; ++fast) {
        MainWindowFixture &f = *rigs[fast].f;
        if (command) {
            f.start();
            rigs[fast].take_wire();
            command(f, *rigs[fast].chip);
        } else {
            f.window->start_up();
        }
        const LineTrace wire = rigs[fast].take_wire();
        traffic[fast] = decode_transactions(wire);
        changes[fast] = line_changes(wire);
        // The bus log decodes what went out, the fast path's groups too.
        const QStringList sent = bytes_of(traffic[fast]);
        QCOMPARE(logged_bytes(f.window->bus_log(), sent.size()), sent);
    }
    QVERIFY(rigs[1].status().endsWith(QStringLiteral(", 9600 baud: open, fast mode")));
    QVERIFY(!traffic[0].isEmpty());
    QCOMPARE(traffic[1], traffic[0]);
    QCOMPARE(changes[1], changes[0]);
}

void TestFastMode::adapter_pulled_in_a_transaction()
{
    Rig rig(true);
    rig.f->start();
    FakeFtdiAdapter &adapter = FakeFtdiAdapter::get();
    adapter.writesBeforeLoss = 20; // inside the read-back
    rig.f->button(QStringLiteral("Command5"))->click();
    QVERIFY(adapter.gone);
    QCOMPARE(rig.status(), QStringLiteral("COM5 (/dev/ttyUSB0) was disconnected"));

    // Nothing more reaches the adapter, and the window goes on.
    const qsizetype seen = adapter.events.size();
    const int transfers = adapter.usbTransfers;
    rig.f->type_into(rig.f->volts_box(2), QStringLiteral("3"));
    rig.f->button(QStringLiteral("Command5"))->click();
    QCOMPARE(adapter.events.size(), seen);
    QCOMPARE(adapter.usbTransfers, transfers);
    QCOMPARE(rig.f->code_box(1)->text(), QStringLiteral("FFFF"));
}

void TestFastMode::adapter_refused_falls_back()
{
    Rig rig(true);
    FakeFtdiAdapter::get().refuseOpen = true;
    rig.perRequestChip->set_register_word(0, 0x123);
    rig.f->start();
    QCOMPARE(rig.status(), QStringLiteral("COM5 (/dev/ttyUSB0), 9600 baud: open; fast mode off: the adapter could "
                                          "not be opened over USB (libusb_open() failed; see the user guide for "
                                          "the udev rule)"));
    QCOMPARE(rig.f->code_box(1)->text(), QStringLiteral("123")); // read per request
    QVERIFY(FakeFtdiAdapter::get().events.isEmpty());
}

void TestFastMode::switched_off_in_the_port_dialog()
{
    Rig rig(true);
    rig.f->start();
    QTimer::singleShot(0, rig.f->window.get(), [] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        auto *box = dialog->findChild<QCheckBox *>(QStringLiteral("chkFastMode"));
        QVERIFY(box->isEnabled() && box->isChecked());
        box->click();
        dialog->accept();
    });
    rig.f->mouse_click(rig.f->button(QStringLiteral("Command11")));
    QVERIFY(!FakeFtdiAdapter::get().usbOpen && FakeFtdiAdapter::get().driverGivenBack);
    QCOMPARE(rig.status(), QStringLiteral("COM5 (/dev/ttyUSB0), 9600 baud: open"));
    rig.f->type_into(rig.f->volts_box(1), QStringLiteral("5"));
    QCOMPARE(rig.perRequestChip->register_word(0), 512);
}

void TestFastMode::signal_gives_the_adapter_back_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestFastMode::signal_gives_the_adapter_back()
{
    QFETCH(int, signalNumber);
    Rig rig(true);
    rig.f->start();
    FakeFtdiAdapter &adapter = FakeFtdiAdapter::get();
    QVERIFY(adapter.usbOpen);
    // The program's ending closes the port before it ends the process.
    rig.f->on_ending = [&rig] { rig.f->window->MSComm1().close_port(); };
    CloseSignals closeSignals(rig.f->window.get());
    std::raise(signalNumber);
    QTRY_COMPARE(rig.f->endings, 1);
    QVERIFY(!adapter.usbOpen && adapter.driverGivenBack && !adapter.bitBang);
    QCOMPARE(adapter.pins() & 0x14, 0x14); // DTR and RTS released
}

// A run killed while it held the adapter left COM5 without its tty until a
// replug. The next start finds the adapter by what that run stored, runs
// the bus on it, and gives it back on closing.
void TestFastMode::start_after_a_killed_run_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("stored");
    QTest::newRow("by serial number") << QStringLiteral("FT0FAKE1") << QStringLiteral("5;FT0FAKE1;1;7;0;403;6001");
    QTest::newRow("by bus 1, address 7") << QString() << QStringLiteral("5;;1;7;0;403;6001");
}

void TestFastMode::start_after_a_killed_run()
{
    QFETCH(QString, serial);
    QFETCH(QString, stored);
    Rig rig(true);
    FakeFtdiAdapter &adapter = FakeFtdiAdapter::get();
    adapter.serialNumber = serial;
    adapter.driverAttached = false;
    rig.perRequestBoard->set_existing_ports({});
    adapter.driverChanged = [&] { rig.perRequestBoard->set_existing_ports(adapter.driverAttached ? QSet{5} : QSet<int>{}); };
    rig.fastPort->set_remembered_adapter(stored);
    rig.f->start();
    QVERIFY(rig.status().endsWith(QStringLiteral(", 9600 baud: open, fast mode")));
    QCOMPARE(rig.f->code_box(1)->text(), QStringLiteral("2A5"));
    rig.f->window->MSComm1().close_port();
    QVERIFY(!adapter.usbOpen && adapter.driverGivenBack && adapter.driverAttached);
}

QTEST_MAIN(TestFastMode)
#include "tst_fast_mode.moc"
