#include "bus/modem_line_bus.h"
#include "support/recording_serial_control.h"
#include "sim/simulated_board.h"
#include "core/conversions.h"
#include "core/headless_channel_view.h"
#include "core/number_text.h"
#include "device/chip.h"
#include "support/line_trace_decoder.h"
#include "ui/panel/frm_slider.h"
#include "ui/panel/panel_scale.h"

#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

using namespace zrx;

namespace {

// The main window's part, headless: a changed voltage box converts and writes
// its channel, and a refresh while the panel is open redraws the panel. The
// chip is the simulated board, behind a recorder that keeps the line trace.
struct Bench {
    ChannelTable table;
    HeadlessChannelView view;
    SimulatedBoard board;
    RecordingSerialControl port;
    ModemLineBus bus{port};
    Chip chip{table, view, bus};
    QPointer<frmSlider> panel;
    int panelRefreshes = 0;

    ~Bench() { delete panel; }

    explicit Bench(double vrefHigh = 10.0)
    {
        table.VrefHigh = vrefHigh;
        table.VrefLow = 0.0;
        table.A0Setting = QStringLiteral("0");
        table.CurrentChannel = 1;
        port.forward_to(&board);
        PortConfiguration configuration;
        configuration.CommPort = 1;
        port.open_port(configuration);
        view.on_volts_changed = [this](int channel) { volts_text_changed(chip, channel); };
        view.on_refresh_control_panel = [this] {
            ++panelRefreshes;
            if (panel)
                panel->refresh_control_panel();
        };
    }

    // Every channel at the given code, the boxes showing it, the chip holding
    // it, and nothing on the trace yet.
    void settle(double code)
    {
        for (int c = FirstChannel; c <= LastChannel; ++c)
            table.ChannelCode[c] = code;
        refresh_channels(table, view);
        for (int c = FirstChannel; c <= LastChannel; ++c) {
            table.CurrentChannel = c;
            write_channel(chip);
        }
        port.clear_trace();
    }

    frmSlider *open_panel()
    {
        panel = new frmSlider(chip);
        panel->show();
        return panel;
    }

    QSlider *slider(int i) const { return panel->findChild<QSlider *>(QStringLiteral("Slider1_%1").arg(i)); }
    QString label(const QString &name) const { return panel->findChild<QLabel *>(name)->text(); }

    QStringList frames() { return decode_transactions(port.take_trace()); }
};

QString write_frame(int reg, int code)
{
    const int sent = std::clamp(code, 0, 1023);
    return QStringLiteral("S E8 A %1 A %2 A %3 A P")
        .arg(reg, 2, 16, QLatin1Char('0'))
        .arg(0x80 | (sent >> 8), 2, 16, QLatin1Char('0'))
        .arg(sent & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace

class TestFrmSlider : public QObject {
    Q_OBJECT
private slots:
    void builds_the_panel();
    void sliders_stand_in_screen_order();
    void vc1_to_the_bottom_writes_code_0();
    void top_end_is_full_scale();
    void keyboard_steps_data();
    void keyboard_steps();
    void click_above_the_thumb_raises_the_voltage();
    void drag_writes_every_position();
    void nothing_moved_writes_nothing_data();
    void nothing_moved_writes_nothing();
    void wheel_moves_only_the_focused_slider();
    void scale_follows_the_references_data();
    void scale_follows_the_references();
    void typed_voltage_moves_the_slider_without_a_write();
    void closed_panel_is_left_alone();
    void slider_position_of_code_data();
    void slider_position_of_code();
};

void TestFrmSlider::builds_the_panel()
{
    Bench bench;
    bench.settle(512);
    QCOMPARE(bench.table.ControlPanelOpen, 0);
    frmSlider *panel = bench.open_panel();
    QCOMPARE(bench.table.ControlPanelOpen, 1);
    QCOMPARE(panel->windowTitle(), QStringLiteral("Control Panel"));
    QVERIFY(panel->isWindow());
    QVERIFY(!panel->isModal());
    QVERIFY(panel->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(bench.label("Label28"), QStringLiteral("Vout"));
    QCOMPARE(bench.label("Label29"), QStringLiteral("Code "));
    QCOMPARE(bench.label("Label30"), QStringLiteral("Channel"));
    for (int i = 0; i < ChannelCount; ++i) {
        QSlider *slider = bench.slider(i);
        QVERIFY(slider);
        QCOMPARE(slider->orientation(), Qt::Vertical);
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 1024);
        QCOMPARE(slider->singleStep(), 1);
        QCOMPARE(slider->pageStep(), 5);
        QCOMPARE(slider->value(), 512);
        QCOMPARE(bench.label(QStringLiteral("Label27_%1").arg(i)), QStringLiteral("200"));
        QCOMPARE(bench.label(QStringLiteral("Label26_%1").arg(i)), QStringLiteral(" 5"));
    }
    // Opening the panel only reads the table.
    QCOMPARE(bench.frames(), QStringList());
}

void TestFrmSlider::sliders_stand_in_screen_order()
{
    Bench bench;
    bench.open_panel();
    QVERIFY(QTest::qWaitForWindowExposed(bench.panel));
    const QList<int> order = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 22, 23, 18, 19};
    const QStringList captions = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12",
                                  "13", "14", "15", "16", "17", "18", "19", "20", "21", "22", "Vc1", "Vc2"};
    int previousX = -1;
    for (int column = 0; column < ChannelCount; ++column) {
        const int i = order[column];
        const int x = bench.slider(i)->geometry().center().x();
        QVERIFY2(x > previousX, qPrintable(QStringLiteral("Slider1_%1 out of order").arg(i)));
        previousX = x;
        QCOMPARE(bench.label(QStringLiteral("Caption_%1").arg(i)), captions[column]);
        const QLabel *caption = bench.panel->findChild<QLabel *>(QStringLiteral("Caption_%1").arg(i));
        QCOMPARE(caption->geometry().center().x(), x);
    }
}

void TestFrmSlider::vc1_to_the_bottom_writes_code_0()
{
    Bench bench;
    bench.settle(512);
    bench.open_panel();
    QSlider *vc1 = bench.slider(18);
    QTest::keyClick(vc1, Qt::Key_End);

    QCOMPARE(vc1->value(), 1024);
    QCOMPARE(bench.table.ChannelCode[19], 0.0);
    QCOMPARE(bench.table.CurrentChannel, 19);
    QCOMPARE(bench.label("Label27_18"), QStringLiteral("0"));
    QCOMPARE(bench.label("Label26_18"), QStringLiteral(" 0"));
    QCOMPARE(bench.board.chip().register_word(0x12), quint16(0));
    // The move itself, then the main window's box changing from " 5" to " 0".
    QCOMPARE(bench.frames(), QStringList({"S E8 A 12 A 80 A 00 A P", "S E8 A 12 A 80 A 00 A P"}));
}

void TestFrmSlider::top_end_is_full_scale()
{
    Bench bench;
    bench.settle(512);
    bench.open_panel();
    QTest::keyClick(bench.slider(5), Qt::Key_Home);

    QCOMPARE(bench.slider(5)->value(), 0);
    QCOMPARE(bench.table.ChannelCode[6], 1024.0);
    QCOMPARE(bench.label("Label27_5"), QStringLiteral("400"));
    QCOMPARE(bench.label("Label26_5"), format_volts(bench.table.VrefHigh));
    QCOMPARE(bench.view.volts_text(6), QStringLiteral(" 10"));
    // 1024 goes out with all ten bits set.
    QCOMPARE(bench.board.chip().register_word(0x05), quint16(1023));
    QCOMPARE(bench.frames(), QStringList({write_frame(5, 1023), write_frame(5, 1023)}));
}

void TestFrmSlider::keyboard_steps_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("code");
    QTest::newRow("Up") << int(Qt::Key_Up) << 513;
    QTest::newRow("Down") << int(Qt::Key_Down) << 511;
    QTest::newRow("PageUp") << int(Qt::Key_PageUp) << 517;
    QTest::newRow("PageDown") << int(Qt::Key_PageDown) << 507;
    QTest::newRow("Home") << int(Qt::Key_Home) << 1024;
    QTest::newRow("End") << int(Qt::Key_End) << 0;
}

void TestFrmSlider::keyboard_steps()
{
    QFETCH(int, key);
    QFETCH(int, code);
    Bench bench;
    bench.settle(512);
    bench.open_panel();
    QTest::keyClick(bench.slider(2), Qt::Key(key));

    QCOMPARE(bench.table.ChannelCode[3], double(code));
    QCOMPARE(bench.slider(2)->value(), 1024 - code);
    QCOMPARE(bench.label("Label27_2"), format_code(code));
    QCOMPARE(bench.board.chip().register_word(0x02), quint16(std::min(code, 1023)));
    const QStringList frames = bench.frames();
    QVERIFY(!frames.isEmpty());
    QCOMPARE(frames.first(), write_frame(2, code));
    // Only this channel went to the chip: the others' boxes did not change.
    QCOMPARE(frames.filter(QStringLiteral("S E8 A 02 ")).size(), frames.size());
}

void TestFrmSlider::click_above_the_thumb_raises_the_voltage()
{
    Bench bench;
    bench.settle(512);
    bench.open_panel();
    QVERIFY(QTest::qWaitForWindowExposed(bench.panel));
    QSlider *slider = bench.slider(0);
    // Clicking the groove pages the thumb towards the click.
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, 3));
    QVERIFY2(bench.table.ChannelCode[1] > 512, "a click near the top must raise the code");
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() - 3));
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() - 3));
    QVERIFY2(bench.table.ChannelCode[1] < 512, "a click near the bottom must lower the code");
}

void TestFrmSlider::drag_writes_every_position()
{
    Bench bench;
    bench.settle(512);
    bench.open_panel();
    QSlider *slider = bench.slider(0);
    // What a mouse drag does to the slider, three pixels' worth of positions.
    slider->setSliderDown(true);
    for (const int position : {500, 490, 480})
        slider->setSliderPosition(position);
    slider->setSliderDown(false);

    QCOMPARE(bench.table.ChannelCode[1], 544.0);
    QCOMPARE(slider->value(), 480);
    // Each position goes to the chip, then comes back once more from the
    // main window's box as its text changes: no coalescing.
    QCOMPARE(bench.frames(), QStringList({write_frame(0, 524), write_frame(0, 524), write_frame(0, 534),
                                          write_frame(0, 534), write_frame(0, 544), write_frame(0, 544)}));
}

void TestFrmSlider::nothing_moved_writes_nothing_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("key");
    QTest::newRow("Home at the top") << 1024 << int(Qt::Key_Home);
    QTest::newRow("Up at the top") << 1024 << int(Qt::Key_Up);
    QTest::newRow("End at the bottom") << 0 << int(Qt::Key_End);
    QTest::newRow("PageDown at the bottom") << 0 << int(Qt::Key_PageDown);
}

void TestFrmSlider::nothing_moved_writes_nothing()
{
    QFETCH(int, code);
    QFETCH(int, key);
    Bench bench;
    bench.settle(code);
    bench.open_panel();
    QTest::keyClick(bench.slider(4), Qt::Key(key));
    // A held click on the groove beyond the end pages again and again.
    QSlider *slider = bench.slider(4);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, code ? 3 : slider->height() - 3));
    QCOMPARE(bench.frames(), QStringList());
    QCOMPARE(bench.table.ChannelCode[5], double(code));
}

// Scrolling the page across the panel must not change chip outputs.
void TestFrmSlider::wheel_moves_only_the_focused_slider()
{
    Bench bench;
    bench.settle(512);
    frmSlider *panel = bench.open_panel();
    panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel));
    const auto wheel_up = [](QSlider *slider) {
        const QPointF at(slider->width() / 2.0, slider->height() / 2.0);
        QWheelEvent event(at, slider->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(slider, &event);
    };
    bench.slider(1)->setFocus();
    wheel_up(bench.slider(6));
    QCOMPARE(bench.frames(), QStringList());
    QCOMPARE(bench.table.ChannelCode[7], 512.0);

    wheel_up(bench.slider(1));
    QVERIFY(bench.table.ChannelCode[2] > 512);
    QCOMPARE(bench.frames().value(0), write_frame(1, int(bench.table.ChannelCode[2])));
}

void TestFrmSlider::scale_follows_the_references_data()
{
    QTest::addColumn<double>("vrefHigh");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("10 V") << 10.0 << QStringList{" 10", " 7.5", " 5", " 2.5", " 0"};
    QTest::newRow("4.5 V") << 4.5 << QStringList{" 4.5", " 3.375", " 2.25", " 1.125", " 0"};
    // The quarters are truncated to millivolts; the top keeps all its digits.
    QTest::newRow("3.3333 V") << 3.3333 << QStringList{" 3.3333", " 2.499", " 1.666", " .833", " 0"};
}

void TestFrmSlider::scale_follows_the_references()
{
    QFETCH(double, vrefHigh);
    QFETCH(QStringList, texts);
    Bench bench(vrefHigh);
    bench.open_panel();
    for (int k = 0; k < 5; ++k)
        QCOMPARE(bench.label(QStringLiteral("Label%1").arg(k + 1)), texts[k]);
    QVERIFY(bench.panel->findChild<QLabel *>("Label1")->y() < bench.panel->findChild<QLabel *>("Label5")->y());
}

void TestFrmSlider::typed_voltage_moves_the_slider_without_a_write()
{
    // The same typing with and without the panel must put the same traffic on
    // the wire: moving a slider from the program is not a user move.
    QStringList framesWithoutPanel;
    for (const bool withPanel : {false, true}) {
        Bench bench;
        bench.settle(512);
        if (withPanel)
            bench.open_panel();
        bench.view.set_volts_text(5, QStringLiteral("2.5"));
        refresh_channels(bench.table, bench.view);

        QCOMPARE(bench.table.ChannelCode[5], 256.0);
        QCOMPARE(bench.panelRefreshes, withPanel ? 1 : 0);
        const QStringList frames = bench.frames();
        if (!withPanel) {
            framesWithoutPanel = frames;
            continue;
        }
        QCOMPARE(bench.slider(4)->value(), 1024 - 256);
        QCOMPARE(bench.label("Label27_4"), QStringLiteral("100"));
        QCOMPARE(bench.label("Label26_4"), QStringLiteral(" 2.5"));
        QCOMPARE(frames, framesWithoutPanel);
        QCOMPARE(frames, QStringList({write_frame(4, 256), write_frame(4, 256)}));
    }
}

void TestFrmSlider::closed_panel_is_left_alone()
{
    Bench bench;
    bench.settle(512);
    bench.open_panel();
    QVERIFY(bench.panel->close());
    QCOMPARE(bench.table.ControlPanelOpen, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(bench.panel.isNull());

    bench.view.set_volts_text(7, QStringLiteral("7.5"));
    refresh_channels(bench.table, bench.view);
    QCOMPARE(bench.panelRefreshes, 0);

    bench.open_panel();
    QCOMPARE(bench.table.ControlPanelOpen, 1);
    QCOMPARE(bench.slider(6)->value(), 1024 - 768);
    QCOMPARE(bench.label("Label27_6"), QStringLiteral("300"));
    QCOMPARE(bench.label("Label26_6"), QStringLiteral(" 7.5"));
    QCOMPARE(bench.slider(0)->value(), 512);
}

void TestFrmSlider::slider_position_of_code_data()
{
    QTest::addColumn<double>("code");
    QTest::addColumn<int>("position");
    QTest::newRow("0 at the bottom") << 0.0 << 1024;
    QTest::newRow("1024 at the top") << 1024.0 << 0;
    QTest::newRow("half scale") << 512.0 << 512;
    QTest::newRow("read-back word above full scale") << 65535.0 << 0;
    QTest::newRow("negative file value") << -3.0 << 1024;
    QTest::newRow("fraction halves to even") << 511.5 << 512;
    QTest::newRow("fraction halves to even, down") << 512.5 << 512;
    QTest::newRow("fraction rounds") << 100.7 << 923;
}

void TestFrmSlider::slider_position_of_code()
{
    QFETCH(double, code);
    QFETCH(int, position);
    QCOMPARE(zrx::slider_position_of_code(code), position);
    // The panel sets exactly that position and still writes nothing.
    Bench bench;
    bench.table.ChannelCode[24] = code;
    bench.open_panel();
    QCOMPARE(bench.slider(23)->value(), position);
    QCOMPARE(bench.frames(), QStringList());
}

QTEST_MAIN(TestFrmSlider)
#include "tst_frm_slider.moc"
