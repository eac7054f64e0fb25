// The main window's buttons that open the other windows, and how those
// windows then work on the main window's table, boxes and chip.
#include "main_window_fixture.h"

#include "store/settings_keys.h"
#include "ui/batch/frm_batch.h"
#include "ui/dialogs/frm_port_settings.h"
#include "ui/panel/frm_slider.h"

#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <QTest>
#include <QTimer>

using namespace zrx;

namespace {

// Runs check on the modal window once it is up, then closes it.
template <typename Window>
void when_modal_shows(std::function<void(Window *)> check)
{
    QTimer::singleShot(0, [check] {
        auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
        QVERIFY(window);
        check(window);
        window->reject();
    });
}

// Started at 10 V, so typed voltages turn into codes.
void start_at_10_volts(MainWindowFixture &f)
{
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral(" 10"));
    f.start();
}

} // namespace

class TestWindowButtons : public QObject {
    Q_OBJECT
private slots:
    void control_panel_opens_once_and_follows_the_boxes();
    void control_panel_closed_is_left_alone();
    void port_settings_is_modal_on_the_window_port();
    void batch_window_rereads_only_the_directory();
};

void TestWindowButtons::control_panel_opens_once_and_follows_the_boxes()
{
    MainWindowFixture f;
    start_at_10_volts(f);
    QVERIFY(!f.window->control_panel());
    f.button("Command9")->click();
    frmSlider *panel = f.window->control_panel();
    QVERIFY(panel);
    QVERIFY(panel->isVisible());
    QCOMPARE(f.window->table().ControlPanelOpen, 1);
    f.button("Command9")->click();
    QCOMPARE(f.window->control_panel(), panel);
    QCOMPARE(f.window->findChildren<frmSlider *>().size(), 1);

    // A voltage typed and left in the main window moves the slider; the panel
    // adds no write of its own: typing, the refresh's rewrite, leaving.
    f.take_transactions();
    f.mouse_click(f.volts_box(19));
    f.type_into(f.volts_box(19), QStringLiteral("5"));
    f.press_tab();
    const auto *slider = panel->findChild<QSlider *>(QStringLiteral("Slider1_18"));
    QVERIFY(slider);
    QCOMPARE(slider->value(), 1024 - 512);
    const QStringList writes = channel_writes_of(f.take_transactions());
    QCOMPARE(writes, QStringList(3, channel_write(19, 512)));
}

void TestWindowButtons::control_panel_closed_is_left_alone()
{
    MainWindowFixture f;
    start_at_10_volts(f);
    f.button("Command9")->click();
    QPointer<frmSlider> panel = f.window->control_panel();
    panel->close();
    QTRY_VERIFY(!panel);
    QCOMPARE(f.window->table().ControlPanelOpen, 0);
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.mouse_click(f.volts_box(3));
    f.type_into(f.volts_box(3), QStringLiteral("2.5"));
    f.press_tab(); // the refresh must not touch the gone panel
    f.button("Command9")->click();
    const auto *slider = f.window->control_panel()->findChild<QSlider *>(QStringLiteral("Slider1_2"));
    QCOMPARE(slider->value(), 1024 - 256);
}

void TestWindowButtons::port_settings_is_modal_on_the_window_port()
{
    MainWindowFixture f;
    f.start();
    bool shown = false;
    when_modal_shows<frmPortSettings>([&](frmPortSettings *dialog) {
        shown = true;
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("COM Port Setup"));
        QVERIFY(dialog->findChild<QComboBox *>(QStringLiteral("comboBitRate")));
    });
    f.button("Command11")->click();
    QVERIFY(shown);
}

// Only the directory comes back from the store; the address, references and
// port stay as they are in this run.
void TestWindowButtons::batch_window_rereads_only_the_directory()
{
    MainWindowFixture f;
    f.start();
    f.store.write(DefaultDirEntry.section, DefaultDirEntry.key, QDir::tempPath());
    f.store.write(QStringLiteral("a0"), QStringLiteral("1"), QStringLiteral("1"));
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("3"));
    const ChannelTable before = f.window->table();
    bool shown = false;
    when_modal_shows<frm_batch>([&](frm_batch *batch) {
        shown = true;
        QVERIFY(batch->isModal());
        QCOMPARE(batch->file_directory(), QDir(QDir::tempPath()).absolutePath());
    });
    f.button("Command4")->click();
    QVERIFY(shown);
    QCOMPARE(f.window->table().A0Setting, before.A0Setting);
    QCOMPARE(f.window->table().VrefHigh, before.VrefHigh);
    QCOMPARE(f.window->DefaultDir(), QDir::tempPath());
}

QTEST_MAIN(TestWindowButtons)
#include "tst_window_buttons.moc"
