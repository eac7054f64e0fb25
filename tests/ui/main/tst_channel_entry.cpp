// Typing, leaving, clicking and stepping in the main window's boxes, checked
// against what reached the simulated chip.
#include "main_window_fixture.h"

#include "core/conversions.h"
#include "core/number_text.h"

#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace zrx;

namespace {

QList<int> spread_codes()
{
    QList<int> codes;
    for (int i = 0; i < 24; ++i)
        codes.append(i * 43 + 7); // 7 .. 996, all different
    return codes;
}

// A window started at Vsup 10 with A0 = 0 and the chip holding these codes.
void start_at_ten_volts(MainWindowFixture &f, const QList<int> &codes = {})
{
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral(" 10"));
    f.put_codes(codes);
    f.start();
}

} // namespace

class TestChannelEntry : public QObject {
    Q_OBJECT
private slots:
    void typing_writes_every_keystroke_and_leaving_rewrites();
    void typing_above_vsup_gives_full_scale();
    void click_selects_channel_for_up_down();
    void up_down_data();
    void up_down();
    void leaving_vsup_rescales_voltages_and_keeps_codes();
    void vsup_zero_disables_entry();
    void code_boxes_only_display();
    void focus_leaving_data();
    void focus_leaving();
    void button_press_leaves_box_before_command();
    void vsup_left_by_mouse_before_save();
    void tab_order_follows_screen_order();
};

void TestChannelEntry::typing_writes_every_keystroke_and_leaving_rewrites()
{
    MainWindowFixture f;
    start_at_ten_volts(f);

    f.type_into(f.volts_box(1), QStringLiteral("5.5"));
    QCOMPARE(f.take_transactions(),
             QStringList({channel_write(1, 512), channel_write(1, 512), channel_write(1, 563)}));
    QCOMPARE(f.volts_box(1)->text(), QStringLiteral("5.5"));
    QCOMPARE(f.code_box(1)->text(), QStringLiteral("0")); // until the next refresh

    f.press_tab();
    QCOMPARE(f.volts_box(1)->text(), QStringLiteral(" 5.498"));
    QCOMPARE(f.code_box(1)->text(), QStringLiteral("233"));
    // Once from the box's new text, once more at the end of leaving.
    QCOMPARE(f.take_transactions(), QStringList({channel_write(1, 563), channel_write(1, 563)}));
    QCOMPARE(f.board.chip().register_word(0), quint16(563));
    QCOMPARE(QApplication::focusWidget(), f.volts_box(2));
}

void TestChannelEntry::typing_above_vsup_gives_full_scale()
{
    MainWindowFixture f;
    start_at_ten_volts(f);

    f.type_into(f.volts_box(5), QStringLiteral("12"));
    // "1" is code 102; "12" clamps to 10 V, code 1024, sent as all ten bits.
    QCOMPARE(f.take_transactions(), QStringList({channel_write(5, 102), channel_write(5, 1023)}));
    QCOMPARE(f.window->table().ChannelCode[5], 1024.0);
    f.press_tab();
    QCOMPARE(f.volts_box(5)->text(), QStringLiteral(" 10"));
    QCOMPARE(f.code_box(5)->text(), QStringLiteral("400"));
    QCOMPARE(f.take_transactions(), QStringList({channel_write(5, 1023), channel_write(5, 1023)}));
    QCOMPARE(f.board.chip().register_word(4), quint16(1023));
}

void TestChannelEntry::click_selects_channel_for_up_down()
{
    MainWindowFixture f;
    start_at_ten_volts(f, spread_codes());
    const int c1 = 19;
    QCOMPARE(channel_label(c1), QStringLiteral("c1"));
    const int before = spread_codes()[c1 - 1];

    f.mouse_click(f.volts_box(c1));
    QCOMPARE(f.window->table().CurrentChannel, c1);
    QCOMPARE(QApplication::focusWidget(), f.volts_box(c1));
    f.take_transactions();

    f.mouse_click(f.widget(QStringLiteral("UpDown1_up")));
    QCOMPARE(f.take_transactions(), QStringList({channel_write(c1, before + 1)}));
    QCOMPARE(f.window->table().ChannelCode[c1], double(before + 1));
    QCOMPARE(f.code_box(c1)->text(), format_code(before + 1));
    QCOMPARE(f.board.chip().register_word(c1 - 1), quint16(before + 1));
    // The arrows never take the focus from the box being edited.
    QCOMPARE(QApplication::focusWidget(), f.volts_box(c1));
}

void TestChannelEntry::up_down_data()
{
    QTest::addColumn<double>("code");
    QTest::addColumn<QString>("arrow");
    QTest::addColumn<double>("after");
    QTest::addColumn<QString>("voltsText");
    QTest::addColumn<QString>("codeText");
    QTest::addColumn<bool>("written");

    const QString up = QStringLiteral("UpDown1_up");
    const QString down = QStringLiteral("UpDown1_down");
    QTest::newRow("up from half scale") << 512.0 << up << 513.0 << " 5.009" << "201" << true;
    QTest::newRow("up from full scale stops at 1023") << 1024.0 << up << 1023.0 << " 9.99" << "3FF" << true;
    QTest::newRow("up at 1023 stays") << 1023.0 << up << 1023.0 << " 9.99" << "3FF" << false;
    QTest::newRow("up from a read-back word") << 40000.0 << up << 1023.0 << " 9.99" << "3FF" << true;
    QTest::newRow("down from 1") << 1.0 << down << 0.0 << " 0" << "0" << true;
    QTest::newRow("down at 0 stays") << 0.0 << down << 0.0 << " 0" << "0" << false;
    QTest::newRow("down from half scale") << 512.0 << down << 511.0 << " 4.99" << "1FF" << true;
}

void TestChannelEntry::up_down()
{
    QFETCH(double, code);
    QFETCH(QString, arrow);
    QFETCH(double, after);
    QFETCH(QString, voltsText);
    QFETCH(QString, codeText);
    QFETCH(bool, written);

    MainWindowFixture f;
    start_at_ten_volts(f);
    const int channel = 7;
    f.mouse_click(f.volts_box(channel));
    f.window->table().ChannelCode[channel] = code;
    refresh_channels(f.window->table(), *f.window);
    f.take_transactions();
    const QString textBefore = f.volts_box(channel)->text();

    f.mouse_click(f.widget(arrow));
    QCOMPARE(f.window->table().ChannelCode[channel], after);
    QCOMPARE(f.volts_box(channel)->text(), voltsText);
    QCOMPARE(f.code_box(channel)->text(), codeText);
    const QStringList expected = written ? QStringList{channel_write(channel, after)} : QStringList{};
    QCOMPARE(f.take_transactions(), expected);
    QCOMPARE(f.volts_box(channel)->text() != textBefore, written);
}

void TestChannelEntry::leaving_vsup_rescales_voltages_and_keeps_codes()
{
    MainWindowFixture f;
    const QList<int> codes = spread_codes();
    start_at_ten_volts(f, codes);

    f.type_into(f.vsup_box(), QStringLiteral("5"));
    QCOMPARE(f.take_transactions(), QStringList()); // typing in Vsup does nothing yet
    f.press_tab();

    QStringList expected;
    for (int c = 1; c <= 24; ++c) {
        const double code = codes[c - 1];
        QCOMPARE(f.code_box(c)->text(), format_code(code));
        QCOMPARE(f.volts_box(c)->text(), format_volts(code * 5 / 1024));
        QCOMPARE(f.window->table().ChannelCode[c], code);
        expected.append(channel_write(c, code));
    }
    // Every text changed, so every channel went out again with its own code.
    QCOMPARE(f.take_transactions(), expected);
    QCOMPARE(f.window->table().VrefHighByA0[0], 5.0);
    QCOMPARE(f.vsup_box()->text(), QStringLiteral("5")); // left as typed
}

void TestChannelEntry::vsup_zero_disables_entry()
{
    MainWindowFixture f;
    const QList<int> codes = spread_codes();
    start_at_ten_volts(f, codes);

    f.type_into(f.vsup_box(), QStringLiteral("0"));
    f.press_tab();
    for (int c = 1; c <= 24; ++c)
        QCOMPARE(f.volts_box(c)->text(), QStringLiteral(" 0"));
    f.take_transactions();

    // Typing converts nothing, but each keystroke still sends the old code.
    f.type_into(f.volts_box(3), QStringLiteral("7"));
    QCOMPARE(f.window->table().ChannelCode[3], double(codes[2]));
    QCOMPARE(f.take_transactions(), QStringList({channel_write(3, codes[2])}));
}

void TestChannelEntry::code_boxes_only_display()
{
    MainWindowFixture f;
    start_at_ten_volts(f, spread_codes());
    EntryBox *box = f.code_box(2);
    QVERIFY(box->isReadOnly());
    f.mouse_click(box);
    QTest::keyClicks(box, QStringLiteral("123"));
    QCOMPARE(box->text(), format_code(spread_codes()[1]));
    QCOMPARE(f.take_transactions(), QStringList());
}

void TestChannelEntry::focus_leaving_data()
{
    QTest::addColumn<Qt::FocusReason>("reason");
    QTest::addColumn<bool>("left");
    QTest::newRow("tab") << Qt::TabFocusReason << true;
    QTest::newRow("back tab") << Qt::BacktabFocusReason << true;
    QTest::newRow("mouse") << Qt::MouseFocusReason << true;
    QTest::newRow("shortcut") << Qt::ShortcutFocusReason << true;
    QTest::newRow("other window or message box") << Qt::ActiveWindowFocusReason << false;
    QTest::newRow("context menu") << Qt::PopupFocusReason << false;
}

// Switching to another window and coming back is not leaving the box.
void TestChannelEntry::focus_leaving()
{
    QFETCH(Qt::FocusReason, reason);
    QFETCH(bool, left);
    EntryBox box;
    int leavings = 0;
    connect(&box, &EntryBox::focus_left, this, [&leavings] { ++leavings; });
    QFocusEvent focusOut(QEvent::FocusOut, reason);
    QCoreApplication::sendEvent(&box, &focusOut);
    QCOMPARE(leavings, left ? 1 : 0);
}

// The mouse press moves the focus to the button, which makes the box run its
// leaving before the button's command runs on the release.
void TestChannelEntry::button_press_leaves_box_before_command()
{
    MainWindowFixture f;
    start_at_ten_volts(f);
    f.type_into(f.volts_box(1), QStringLiteral("5.5"));
    f.take_transactions();

    QPushButton *programOtp = f.button(QStringLiteral("Command10"));
    f.mouse_click(programOtp);
    QCOMPARE(QApplication::focusWidget(), programOtp);
    QCOMPARE(f.volts_box(1)->text(), QStringLiteral(" 5.498"));
    const QStringList transactions = f.take_transactions();
    QVERIFY(transactions.size() > 3);
    QCOMPARE(transactions.mid(0, 3),
             QStringList({channel_write(1, 563), channel_write(1, 563), otp_write(1, 563)}));
}

void TestChannelEntry::vsup_left_by_mouse_before_save()
{
    MainWindowFixture f;
    start_at_ten_volts(f);
    QTemporaryDir dir;
    f.fileToChoose = dir.filePath(QStringLiteral("set.csv"));

    f.type_into(f.vsup_box(), QStringLiteral("4.5"));
    f.mouse_click(f.button(QStringLiteral("Command1")));
    QFile file(f.fileToChoose);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readLine(), QByteArray("4.5\r\n"));
}

void TestChannelEntry::tab_order_follows_screen_order()
{
    MainWindowFixture f;
    start_at_ten_volts(f);
    f.vsup_box()->setFocus(Qt::OtherFocusReason);

    QStringList expected{QStringLiteral("Command7")};
    for (const int channel : channels_in_screen_order())
        expected.append(QStringLiteral("Text1_%1").arg(channel - 1));
    for (const int n : {1, 2, 6, 4, 5, 9, 10, 11, 8})
        expected.append(QStringLiteral("Command%1").arg(n));
    expected.append(QStringLiteral("Text13")); // round again

    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        f.press_tab();
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited, expected);
}

QTEST_MAIN(TestChannelEntry)
#include "tst_channel_entry.moc"
