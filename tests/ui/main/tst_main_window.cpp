// The main window's controls, start-up, shutdown and commands, checked
// against what reached the simulated chip.
#include "main_window_fixture.h"

#include "core/number_text.h"
#include "ui/main/address_button.h"
#include "ui/main/fatal_message.h"
#include "ui/main/up_down.h"

#include <QLabel>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

using namespace zrx;

namespace {

QList<int> spread_codes()
{
    QList<int> codes;
    for (int i = 0; i < 24; ++i)
        codes.append(1000 - i * 37);
    return codes;
}

AddressButton *address_button(const MainWindowFixture &f)
{
    return f.window->findChild<AddressButton *>(QStringLiteral("Command7"));
}

QList<int> zeros()
{
    return QList<int>(24, 0);
}

QStringList writes_of_channels(const QList<int> &codes, int a0 = 0)
{
    QStringList writes;
    for (int c = 1; c <= 24; ++c)
        writes.append(channel_write(c, codes[c - 1], a0));
    return writes;
}

QRect geometry_in_window(const MainWindowFixture &f, const QWidget *w)
{
    return QRect(w->mapTo(f.window.get(), QPoint(0, 0)), w->size());
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void controls_have_their_names_and_captions();
    void arrangement();
    void address_button_shows_two_lines();
    void address_button_colour_in_every_style();
    void start_up_with_empty_store();
    void start_up_with_stored_values();
    void start_up_opens_the_stored_port();
    void closing_stores_the_five_settings();
    void closing_inside_read_back_pause_ends_at_once();
    void change_address_twice();
    void reset_sends_general_call_and_reads_back();
    void program_otp_burns_all_channels_without_prompt();
    void about_box();
    void fatal_message_then_end();
};

void TestMainWindow::controls_have_their_names_and_captions()
{
    MainWindowFixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("ZRX50346 - simulated board"));
    MainWindowFixture onPort(BoardConnection::SerialPort);
    QCOMPARE(onPort.window->windowTitle(), QStringLiteral("ZRX50346"));

    const QList<std::pair<const char *, const char *>> captions{
        {"Command1", "Save to File"},    {"Command2", "Load From File"}, {"Command4", "Run Batch"},
        {"Command5", "Read DAC"},        {"Command6", "Reset"},          {"Command8", "About"},
        {"Command9", "Control Panel"},   {"Command10", "Program OTP"},   {"Command11", "COM Setting"},
    };
    for (const auto &[name, caption] : captions) {
        QPushButton *button = f.button(QLatin1String(name));
        QVERIFY2(button, name);
        QCOMPARE(button->text(), QLatin1String(caption));
    }
    // Design-time look, replaced by start-up.
    QCOMPARE(address_button(f)->caption(), QStringLiteral("Change Address    A0= 0"));
    QCOMPARE(address_button(f)->colour(), QColor(255, 128, 128));
    QVERIFY(f.window->findChild<UpDown *>(QStringLiteral("UpDown1")));
    QVERIFY(f.vsup_box());
    QVERIFY(f.max_bank_box());
    for (int c = 1; c <= 24; ++c) {
        QVERIFY(f.volts_box(c));
        QVERIFY(f.code_box(c)->isReadOnly());
        const auto *label = f.window->findChild<QLabel *>(QStringLiteral("Label1_%1").arg(c - 1));
        QCOMPARE(label->text(), channel_label(c));
        QCOMPARE(label->buddy(), f.volts_box(c));
    }
}

void TestMainWindow::arrangement()
{
    MainWindowFixture f;
    f.start();
    auto at = [&f](const QWidget *w) { return geometry_in_window(f, w); };

    // Vsup, Max Bank and the address button stacked at the top left.
    const QRect vsup = at(f.vsup_box());
    const QRect maxBank = at(f.max_bank_box());
    const QRect address = at(address_button(f));
    QVERIFY(vsup.bottom() < maxBank.top());
    QVERIFY(maxBank.bottom() < address.top());
    QVERIFY(address.left() < f.window->width() / 4);

    // The rows in one column, in screen order, each row on one line.
    int previousBottom = address.bottom();
    for (const int channel : channels_in_screen_order()) {
        const QRect volts = at(f.volts_box(channel));
        const QRect code = at(f.code_box(channel));
        const QRect label = at(f.window->findChild<QLabel *>(QStringLiteral("Label1_%1").arg(channel - 1)));
        QVERIFY2(volts.top() > previousBottom, qPrintable(channel_label(channel)));
        QCOMPARE(volts.left(), at(f.volts_box(1)).left());
        QVERIFY(label.right() < volts.left() && volts.right() < code.left());
        QVERIFY(qAbs(volts.center().y() - code.center().y()) <= 2);
        previousBottom = volts.bottom();
    }
    // Each box is wide enough for the widest text it shows.
    QVERIFY(f.volts_box(1)->width() > f.volts_box(1)->fontMetrics().horizontalAdvance(QStringLiteral("-12.345")));

    // The up/down pair right of the first row.
    const QRect upDown = at(f.widget(QStringLiteral("UpDown1")));
    const QRect firstCode = at(f.code_box(1));
    QVERIFY(upDown.left() > firstCode.right());
    QVERIFY(upDown.top() <= firstCode.bottom() && upDown.bottom() >= firstCode.top());

    // The buttons in two columns under the rows, About centred beneath.
    const QStringList left{QStringLiteral("Command1"), QStringLiteral("Command6"), QStringLiteral("Command5"),
                           QStringLiteral("Command10")};
    const QStringList right{QStringLiteral("Command2"), QStringLiteral("Command4"), QStringLiteral("Command9"),
                            QStringLiteral("Command11")};
    for (int i = 0; i < 4; ++i) {
        const QRect l = at(f.button(left[i]));
        const QRect r = at(f.button(right[i]));
        QVERIFY(l.top() > previousBottom);
        QCOMPARE(l.top(), r.top());
        QVERIFY(l.right() < r.left());
        QCOMPARE(l.left(), at(f.button(left[0])).left());
        QCOMPARE(r.left(), at(f.button(right[0])).left());
        if (i > 0)
            QVERIFY(l.top() > at(f.button(left[i - 1])).bottom());
    }
    const QRect about = at(f.button(QStringLiteral("Command8")));
    QVERIFY(about.top() > at(f.button(left[3])).bottom());
    const int middle = (at(f.button(left[0])).left() + at(f.button(right[0])).right()) / 2;
    QVERIFY(qAbs(about.center().x() - middle) <= 2);
}

void TestMainWindow::address_button_shows_two_lines()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("a0"), QStringLiteral("1"), QStringLiteral("1"));
    f.start();
    AddressButton *button = address_button(f);
    QCOMPARE(button->caption(), QStringLiteral("Change Address\r\nA0= 1 "));
    QVERIFY(!button->text().contains(QLatin1Char('\r')));
    QCOMPARE(button->text().split(QLatin1Char('\n')).size(), 2);
    // Tall enough for both lines.
    QVERIFY(button->height() >= 2 * button->fontMetrics().height());
}

// Native styles paint push buttons their own way and ignore the palette; the
// A0 state must show in the pixels whatever the style.
void TestMainWindow::address_button_colour_in_every_style()
{
    for (const QString &name : {QStringLiteral("Fusion"), QStringLiteral("Windows")}) {
        std::unique_ptr<QStyle> style(QStyleFactory::create(name));
        QVERIFY2(style, qPrintable(name));
        for (const QColor &colour : {AddressZeroColour, AddressOneColour}) {
            AddressButton button;
            button.setStyle(style.get());
            button.set_caption(QString::fromLatin1(AddressOneCaption));
            button.set_colour(colour);
            button.resize(220, 60);
            const QImage image = button.grab().toImage();
            // Beside the caption, well inside the frame.
            const QColor painted = image.pixelColor(image.width() / 8, image.height() / 2);
            QVERIFY2(painted == colour, qPrintable(name + QStringLiteral(": ") + painted.name()));
        }
    }
}

void TestMainWindow::start_up_with_empty_store()
{
    MainWindowFixture f;
    f.put_codes(spread_codes());
    f.start();

    QCOMPARE(f.window->table().VrefHigh, 0.0);
    QCOMPARE(f.window->table().VrefHighByA0[0], 0.0);
    QCOMPARE(f.window->table().VrefHighByA0[1], 0.0);
    QCOMPARE(f.vsup_box()->text(), QStringLiteral(" 0"));
    QCOMPARE(address_button(f)->colour(), QColor(255, 128, 128));
    QCOMPARE(address_button(f)->caption(), QStringLiteral("Change Address\r\nA0= 0 "));
    for (int c = 1; c <= 24; ++c) {
        QCOMPARE(f.volts_box(c)->text(), QStringLiteral(" 0"));
        QCOMPARE(f.window->table().ChannelCode[c], double(spread_codes()[c - 1]));
    }
    QCOMPARE(f.max_bank_box()->text(), QStringLiteral("0"));
    // No port to scan on the board: the read-back, then every row written back
    // with the code just read (a span of 0 converts nothing).
    QCOMPARE(f.startupTrace, read_back(spread_codes()) + writes_of_channels(spread_codes()));
}

void TestMainWindow::start_up_with_stored_values()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral(" 10"));
    f.store.write(QStringLiteral("vref_high1"), QStringLiteral("10"), QStringLiteral(" 3.3"));
    f.store.write(QStringLiteral("a0"), QStringLiteral("1"), QStringLiteral("1"));
    f.board.chip().set_a0_strap(1);
    f.put_codes(spread_codes());
    f.start();

    QCOMPARE(f.vsup_box()->text(), QStringLiteral(" 3.3"));
    QCOMPARE(address_button(f)->colour(), QColor(192, 192, 255));
    QCOMPARE(address_button(f)->caption(), QStringLiteral("Change Address\r\nA0= 1 "));
    QCOMPARE(f.startupTrace.mid(0, 50), read_back(spread_codes(), 0, 1));
    for (int c = 1; c <= 24; ++c) {
        const double code = spread_codes()[c - 1];
        QCOMPARE(f.code_box(c)->text(), format_code(code));
        QCOMPARE(f.volts_box(c)->text(), format_volts(code * 3.3 / 1024));
        QCOMPARE(f.board.chip().register_word(c - 1), quint16(code));
    }
}

void TestMainWindow::start_up_opens_the_stored_port()
{
    MainWindowFixture f(BoardConnection::SerialPort);
    f.board.set_existing_ports({2, 5});
    f.store.write(QStringLiteral("PortNumb"), QStringLiteral("2"), QStringLiteral("5"));
    f.store.write(QStringLiteral("BitRate"), QStringLiteral("3"), QStringLiteral("19200"));
    f.start();

    QCOMPARE(f.window->ports().PortNames, QStringList({QStringLiteral("COM2"), QStringLiteral("COM5")}));
    QVERIFY(f.board.is_open());
    QCOMPARE(f.board.port_number(), 5);
    QCOMPARE(f.board.configuration().Settings, QStringLiteral("19200,N,8,1"));
    // The scan comes first; the chip is read only once the port is open.
    QCOMPARE(f.startupTrace.mid(f.startupTrace.size() - 74, 50), read_back(zeros()));
}

void TestMainWindow::closing_stores_the_five_settings()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.store.write(QStringLiteral("vref_high1"), QStringLiteral("10"), QStringLiteral(".5"));
    f.store.write(QStringLiteral("PortNumb"), QStringLiteral("2"), QStringLiteral("3"));
    f.store.write(QStringLiteral("BitRate"), QStringLiteral("3"), QStringLiteral("9600"));
    f.start();
    f.type_into(f.vsup_box(), QStringLiteral("4.5"));
    f.press_tab(); // recorded for A0 = 0
    f.take_transactions();

    QVERIFY(f.window->close());
    QCOMPARE(f.endings, 1);
    QCOMPARE(f.store.read(QStringLiteral("vref_high0"), QStringLiteral("10")), QStringLiteral(" 4.5"));
    QCOMPARE(f.store.read(QStringLiteral("vref_high1"), QStringLiteral("10")), QStringLiteral(" .5"));
    QCOMPARE(f.store.read(QStringLiteral("a0"), QStringLiteral("1")), QStringLiteral("0"));
    QCOMPARE(f.store.read(QStringLiteral("PortNumb"), QStringLiteral("2")), QStringLiteral("3"));
    QCOMPARE(f.store.read(QStringLiteral("BitRate"), QStringLiteral("3")), QStringLiteral("9600"));
    QCOMPARE(f.take_transactions(), QStringList()); // no last write to the chip
}

// A close that arrives while a read-back waits in its pause ends the program
// there: the ending runs before any of the read-back's traffic.
void TestMainWindow::closing_inside_read_back_pause_ends_at_once()
{
    MainWindowFixture f;
    f.start();
    qsizetype operationsAtEnding = -1;
    f.on_ending = [&f, &operationsAtEnding] { operationsAtEnding = f.recorder->trace().size(); };
    f.recorder->clear_trace();

    // Read DAC opens with a pause that yields; the close is handled inside it.
    QTimer::singleShot(0, f.window.get(), [&f] { f.window->close(); });
    f.button(QStringLiteral("Command5"))->click();
    QCOMPARE(f.endings, 1);
    QCOMPARE(operationsAtEnding, 0);
    QCOMPARE(f.store.read(QStringLiteral("a0"), QStringLiteral("1")), QStringLiteral("0"));
}

void TestMainWindow::change_address_twice()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.store.write(QStringLiteral("vref_high1"), QStringLiteral("10"), QStringLiteral("5"));
    f.put_codes(spread_codes());
    f.start();
    AddressButton *button = address_button(f);

    f.mouse_click(button);
    QCOMPARE(f.window->table().A0Setting, QStringLiteral("1"));
    QCOMPARE(button->colour(), QColor(192, 192, 255));
    QCOMPARE(button->caption(), QStringLiteral("Change Address\r\nA0= 1 "));
    QCOMPARE(f.vsup_box()->text(), QStringLiteral(" 5"));
    // No chip answers at A0 = 1: every word reads as all ones, shown as full
    // scale and written back to the A0 = 1 address as 1024.
    QList<int> silent(24, 0xFFFF);
    QCOMPARE(f.take_transactions(), read_back(silent, 0xFFFF, 1) + writes_of_channels(QList<int>(24, 1024), 1));
    QCOMPARE(f.volts_box(1)->text(), QStringLiteral(" 5"));

    f.mouse_click(button);
    QCOMPARE(f.window->table().A0Setting, QStringLiteral("0"));
    QCOMPARE(button->colour(), QColor(255, 128, 128));
    QCOMPARE(button->caption(), QStringLiteral("Change Address\r\nA0= 0 "));
    QCOMPARE(f.vsup_box()->text(), QStringLiteral(" 10"));
    QCOMPARE(f.take_transactions(), read_back(spread_codes()) + writes_of_channels(spread_codes()));
    for (int c = 1; c <= 24; ++c)
        QCOMPARE(f.volts_box(c)->text(), format_volts(spread_codes()[c - 1] * 10.0 / 1024));
}

void TestMainWindow::reset_sends_general_call_and_reads_back()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.put_codes(spread_codes());
    f.start();

    f.mouse_click(f.button(QStringLiteral("Command6")));
    // Nothing burned yet: the reset clears the chip, and every row follows.
    QCOMPARE(f.take_transactions(), QStringList{general_call_reset_text()} + read_back(zeros()) + writes_of_channels(zeros()));
    for (int c = 1; c <= 24; ++c)
        QCOMPARE(f.volts_box(c)->text(), QStringLiteral(" 0"));
}

void TestMainWindow::program_otp_burns_all_channels_without_prompt()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.put_codes(spread_codes());
    f.start();
    QStringList voltsBefore;
    for (int c = 1; c <= 24; ++c)
        voltsBefore.append(f.volts_box(c)->text());

    f.mouse_click(f.button(QStringLiteral("Command10")));
    QStringList expected;
    for (int c = 1; c <= 24; ++c)
        expected.append(otp_write(c, spread_codes()[c - 1]));
    expected.append(general_call_reset_text());
    expected += register_read(0x3F, 1);
    QCOMPARE(f.take_transactions(), expected);
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.max_bank_box()->text(), QStringLiteral("1"));
    for (int c = 1; c <= 24; ++c) {
        QCOMPARE(f.volts_box(c)->text(), voltsBefore[c - 1]);
        QCOMPARE(f.board.chip().otp_banks()[0][c - 1], quint16(spread_codes()[c - 1]));
    }
}

void TestMainWindow::about_box()
{
    MainWindowFixture f;
    f.start();
    f.mouse_click(f.button(QStringLiteral("Command8")));
    QCOMPARE(f.messages.size(), 1);
    const MessageRequest &about = f.messages.first();
    QCOMPARE(about.title, QStringLiteral("ZRX50346 Program."));
    QCOMPARE(about.icon, QMessageBox::NoIcon);
    QVERIFY2(about.text.startsWith(QStringLiteral("ZRX50346 Eval Software  Rev. 1.0.3\r\n")), qPrintable(about.text));
    QVERIFY(about.text.section(QStringLiteral("\r\n"), 1).startsWith(QStringLiteral("Written by")));

    // The real box: OK only, no icon, the line break shown as one.
    auto box = make_message_box(nullptr, about);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
    QCOMPARE(box->windowTitle(), about.title);
    QVERIFY(!box->text().contains(QLatin1Char('\r')));
    QCOMPARE(box->text().split(QLatin1Char('\n')).size(), 2);
}

void TestMainWindow::fatal_message_then_end()
{
    QList<MessageRequest> shown;
    QStringList order;
    const FatalHandler handler = make_fatal_message_handler(
        [&](QWidget *, const MessageRequest &request) {
            shown.append(request);
            order.append(QStringLiteral("shown"));
        },
        [&] { order.append(QStringLiteral("ended")); });
    handler(QStringLiteral("Problem in decmal_to_binary8"));
    QCOMPARE(order, QStringList({QStringLiteral("shown"), QStringLiteral("ended")}));
    QCOMPARE(shown[0].title, QCoreApplication::applicationName());
    QCOMPARE(shown[0].text, QStringLiteral("Problem in decmal_to_binary8"));
    QCOMPARE(shown[0].icon, QMessageBox::NoIcon);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
