#include "main_window_fixture.h"

#include "support/line_trace_decoder.h"

#include <QApplication>
#include <QTest>
#include <qpa/qwindowsysteminterface.h>

namespace zrx {

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

void queue_key(QWidget *window, Qt::Key key, const QString &text)
{
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window->windowHandle(), type, key, Qt::NoModifier, text);
}

void queue_click(QWidget *target)
{
    QWidget *window = target->window();
    const QPointF local = target->mapTo(window, target->rect().center());
    const QPointF global = window->mapToGlobal(local);
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window->windowHandle(), local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window->windowHandle(), local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}

} // namespace zrx
