#include "main_window_fixture.h"

#include "support/line_trace_decoder.h"

#include <QApplication>
#include <QTest>

namespace zrx {
namespace {

QString hex_byte(int byte)
{
    return QStringLiteral("%1").arg(byte & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// The code as the register packing sends it: whole codes, 0..1023.
int sent_code(double code)
{
    if (code >= 1023)
        return 1023;
    return code < 0 ? 0 : int(code);
}

QString frame(int mode, int channel, double code, int a0)
{
    const int sent = sent_code(code);
    return QStringLiteral("S %1 A %2 A %3 A %4 A P")
        .arg(hex_byte(0xE8 | (a0 << 1)), hex_byte(channel - 1), hex_byte(mode | (sent >> 8)), hex_byte(sent));
}

} // namespace

MainWindowFixture::MainWindowFixture(BoardConnection connection)
{
    auto control = std::make_unique<RecordingSerialControl>();
    recorder = control.get();
    recorder->forward_to(&board);
    if (connection == BoardConnection::SimulatedBoard) {
        // As main() does: the board's "port" is open before the window starts.
        PortConfiguration configuration;
        configuration.CommPort = 1;
        recorder->open_port(configuration);
        recorder->clear_trace();
    }
    make_window(std::move(control), connection);
}

MainWindowFixture::MainWindowFixture(BoardConnection connection, std::unique_ptr<SerialControl> port)
{
    make_window(std::move(port), connection);
}

void MainWindowFixture::make_window(std::unique_ptr<SerialControl> port, BoardConnection connection)
{
    window = std::make_unique<frmZRX50346>(std::move(port), store, connection, [this] {
        ++endings;
        if (on_ending)
            on_ending();
    });
    window->choose_file = [this](QWidget *, const FileChoiceRequest &request) {
        fileRequests.append(request);
        return fileToChoose;
    };
    window->show_message = [this](QWidget *, const MessageRequest &request) { messages.append(request); };
}

MainWindowFixture::~MainWindowFixture()
{
    // The recorder dies with the window; the board it forwards to outlives it.
    window.reset();
}

void MainWindowFixture::start()
{
    window->start_up();
    startupTrace = take_transactions();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

EntryBox *MainWindowFixture::volts_box(int channel) const
{
    return window->findChild<EntryBox *>(QStringLiteral("Text1_%1").arg(channel - 1));
}

EntryBox *MainWindowFixture::code_box(int channel) const
{
    return window->findChild<EntryBox *>(QStringLiteral("Text15_%1").arg(channel - 1));
}

EntryBox *MainWindowFixture::vsup_box() const
{
    return window->findChild<EntryBox *>(QStringLiteral("Text13"));
}

EntryBox *MainWindowFixture::max_bank_box() const
{
    return window->findChild<EntryBox *>(QStringLiteral("txtMaxBank"));
}

QPushButton *MainWindowFixture::button(const QString &name) const
{
    return window->findChild<QPushButton *>(name);
}

QWidget *MainWindowFixture::widget(const QString &name) const
{
    return window->findChild<QWidget *>(name);
}

void MainWindowFixture::type_into(QLineEdit *box, const QString &text)
{
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    QTest::keyClicks(box, text);
}

void MainWindowFixture::press_tab()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

void MainWindowFixture::mouse_click(QWidget *target)
{
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
}

QStringList MainWindowFixture::take_transactions()
{
    return recorder ? decode_transactions(recorder->take_trace()) : QStringList();
}

void MainWindowFixture::put_codes(const QList<int> &codes)
{
    for (int i = 0; i < codes.size(); ++i)
        board.chip().set_register_word(i, quint16(codes[i]));
}

QString channel_write(int channel, double code, int a0)
{
    return frame(0x80, channel, code, a0);
}

QString otp_write(int channel, double code, int a0)
{
    return frame(0x40, channel, code, a0);
}

QString general_call_reset_text()
{
    return QStringLiteral("S 00 A 06 A P");
}

QStringList register_read(int reg, quint16 word, int a0)
{
    const int address = 0xE8 | (a0 << 1);
    return {QStringLiteral("S %1 A %2 A P").arg(hex_byte(address), hex_byte(reg)),
            QStringLiteral("S %1 A %2 A %3 N P").arg(hex_byte(address | 1), hex_byte(word >> 8), hex_byte(word))};
}

QStringList read_back(const QList<int> &codes, quint16 maxBank, int a0)
{
    QStringList text;
    for (int reg = 0; reg < 24; ++reg)
        text += register_read(reg, quint16(codes.value(reg)), a0);
    text += register_read(0x3F, maxBank, a0);
    return text;
}

QStringList channel_writes_of(const QStringList &transactions)
{
    QStringList writes;
    for (const QString &t : transactions) {
        // [address+W, register, 100000xx, low]: four bytes, the third 0x80..0x83.
        const QStringList tokens = t.split(QLatin1Char(' '));
        if (tokens.size() == 10 && tokens[5].startsWith(QLatin1Char('8')))
            writes.append(t);
    }
    return writes;
}

} // namespace zrx
