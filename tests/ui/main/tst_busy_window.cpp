// Long bus work on a port that takes its time per line change, as USB serial
// adapters do: the window stays painted and says how far the work is, user
// input waits until the action ends, and the wire carries what it always did.
#include "main_window_fixture.h"

#include "ui/batch/batch_state.h"
#include "ui/batch/frm_batch.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QRegularExpression>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>

using namespace zrx;
using namespace std::chrono_literals;

namespace {

QList<int> falling_codes()
{
    QList<int> codes;
    for (int i = 0; i < 24; ++i)
        codes.append(1000 - i * 37);
    return codes;
}

QByteArray set_text(const QList<int> &codes)
{
    QByteArray text = "10\r\n";
    for (int code : codes)
        text += QByteArray::number(code) + "\r\n";
    return text;
}

// What a user would see while an action runs: sampled by a timer, which only
// fires if the window keeps handling events.
struct Watcher : QObject {
    explicit Watcher(QMainWindow *window) : m_window(window)
    {
        window->statusBar()->installEventFilter(this);
        connect(&m_timer, &QTimer::timeout, this, [this] { sample(); });
        m_timer.start(20);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }

    void sample()
    {
        const QString message = m_window->statusBar()->currentMessage();
        if (message.isEmpty())
            return;
        messages << message;
        waitCursor = waitCursor || (QGuiApplication::overrideCursor()
                                    && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
        if (during)
            std::exchange(during, nullptr)();
    }

    QMainWindow *m_window;
    QTimer m_timer;
    QStringList messages;
    int paints = 0;
    bool waitCursor = false;
    // Runs once, at the first sample inside the bus work.
    std::function<void()> during;
};

// Every message whole on the status line of the window at its default size,
// which shows it from 6 px in up to its size grip.
void verify_fits(QMainWindow *window, const QStringList &messages)
{
    const QStatusBar *bar = window->statusBar();
    const QSizeGrip *grip = bar->findChild<QSizeGrip *>();
    const int room = (grip && grip->isVisible() ? grip->x() : bar->width() - 12) - 6;
    for (const QString &message : messages)
        QVERIFY2(QFontMetrics(bar->font()).horizontalAdvance(message) <= room, qPrintable(message));
}

} // namespace

class TestBusyWindow : public QObject {
    Q_OBJECT
private slots:
    void read_dac_on_a_slow_port();
    void every_long_action_says_what_it_does_data();
    void every_long_action_says_what_it_does();
    void start_up_shows_its_progress();
    void second_action_says_what_it_does();
};

// A millisecond per request: Read DAC takes about eight seconds.
void TestBusyWindow::read_dac_on_a_slow_port()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.put_codes(falling_codes());
    f.start();
    EntryBox *box = f.volts_box(3);
    box->setFocus();
    box->selectAll();
    f.recorder->set_request_latency(1ms);

    Watcher watcher(f.window.get());
    watcher.during = [&f] { queue_key(f.window.get(), Qt::Key_5, QStringLiteral("5")); };
    f.button(QStringLiteral("Command5"))->click();

    // The read-back alone, as on a fast port: the key typed meanwhile did
    // not get in between.
    QCOMPARE(f.take_transactions(), read_back(falling_codes()));
    QVERIFY2(watcher.messages.contains(QStringLiteral("Reading register 12 of 25")),
             qPrintable(watcher.messages.join(QLatin1Char('\n'))));
    QVERIFY2(watcher.paints >= 10, qPrintable(QString::number(watcher.paints)));
    QVERIFY(watcher.waitCursor);

    // Now the held key arrives, and the status line and cursor are back.
    QTRY_COMPARE(box->text(), QStringLiteral("5"));
    QCOMPARE(f.take_transactions(), QStringList{channel_write(3, 512)});
    QCOMPARE(f.window->statusBar()->currentMessage(), QString());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestBusyWindow::every_long_action_says_what_it_does_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("progress");
    const QString set = QStringLiteral("set.csv");
    QTest::newRow("Reset") << "Command6" << set << "Reading register \\d+ of 25";
    QTest::newRow("Change Address") << "Command7" << set << "(Reading register \\d+ of 25|Writing back channel .+)";
    QTest::newRow("Program OTP") << "Command10" << set << "Burning channel \\d+ of 24";
    QTest::newRow("Load From File") << "Command2" << set << "Loading set\\.csv: \\d+ of 24";
    QTest::newRow("batch step") << "" << set << "Loading set\\.csv: \\d+ of 24";
    // 255 characters, the most a name may have: its middle gives way, its
    // head and ".csv" stay, and so does the count.
    const QString longName = QStringLiteral("gamma_") + QString(235, QLatin1Char('x')) + QStringLiteral("_end_of_it.csv");
    const QString shortened = QString::fromUtf8("Loading gam[a-z_]*…[a-z_]*\\.csv: \\d+ of 24");
    QTest::newRow("Load From File, a long name") << "Command2" << longName << shortened;
    QTest::newRow("batch step, a long name") << "" << longName << shortened;
}

// A shorter delay per request, enough to take each action past the point
// where the window starts to say what it does.
void TestBusyWindow::every_long_action_says_what_it_does()
{
    QFETCH(QString, button);
    QFETCH(QString, file);
    QFETCH(QString, progress);
    QTemporaryDir dir;
    QFile set(dir.filePath(file));
    QVERIFY(set.open(QIODevice::WriteOnly) && set.write(set_text(falling_codes())) > 0);
    set.close();
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.start();
    f.fileToChoose = set.fileName();
    f.recorder->set_request_latency(150us);

    Watcher watcher(f.window.get());
    if (button.isEmpty()) {
        f.store.write(QStringLiteral("Startup"), QStringLiteral("Default_Dir"), dir.path());
        BatchState state;
        frm_batch batch(f.window->chip(), f.window->MSComm1(), f.store, state);
        batch.findChild<QListWidget *>(QStringLiteral("File1"))->item(0)->setSelected(true);
        batch.single_step(StepDirection::Down);
    } else {
        f.button(button)->click();
    }

    const QRegularExpression expected(QLatin1Char('^') + progress + QLatin1Char('$'));
    QVERIFY2(!watcher.messages.filter(expected).isEmpty(), qPrintable(watcher.messages.join(QLatin1Char('\n'))));
    verify_fits(f.window.get(), watcher.messages);
    // The window at its size leaves a message some 30 characters.
    for (const QString &message : std::as_const(watcher.messages))
        QVERIFY2(message.size() <= 40, qPrintable(message));
    QVERIFY(watcher.paints > 0);
    QCOMPARE(f.window->statusBar()->currentMessage(), QString());
}

// The window shows itself once start-up's read-back gets long, with the
// rows blank rather than showing their design-time placeholders.
void TestBusyWindow::start_up_shows_its_progress()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.put_codes(falling_codes());
    f.recorder->set_request_latency(150us);
    Watcher watcher(f.window.get());
    QStringList shownRows;
    QObject::connect(&watcher.m_timer, &QTimer::timeout, &watcher, [&] {
        if (f.window->isVisible())
            shownRows << f.volts_box(1)->displayText() + f.code_box(1)->displayText() + f.max_bank_box()->displayText();
    });

    f.window->start_up();

    QVERIFY(f.window->isVisible());
    QVERIFY2(!watcher.messages.filter(QRegularExpression(QStringLiteral("^Reading register \\d+ of 25$")))
                  .isEmpty(),
             qPrintable(watcher.messages.join(QLatin1Char('\n'))));
    QVERIFY(!shownRows.isEmpty());
    QCOMPARE(shownRows.filter(QRegularExpression(QStringLiteral("\\S"))), QStringList());
    QCOMPARE(f.code_box(1)->displayText(), QStringLiteral("3E8"));
    QCOMPARE(f.take_transactions().mid(0, 50), read_back(falling_codes()));
}

// Two long actions one after the other: the second names only its own work,
// nothing left over from the first.
void TestBusyWindow::second_action_says_what_it_does()
{
    MainWindowFixture f;
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    f.put_codes(falling_codes());
    f.start();
    f.recorder->set_request_latency(150us);
    Watcher watcher(f.window.get());

    f.button(QStringLiteral("Command10"))->click();
    QVERIFY(!std::exchange(watcher.messages, {}).filter(QRegularExpression(QStringLiteral("^Burning "))).isEmpty());
    // Leaving the Vsup box rewrites every row: plain channel writes.
    f.type_into(f.vsup_box(), QStringLiteral("5"));
    f.press_tab();

    QVERIFY(!watcher.messages.isEmpty());
    QCOMPARE(watcher.messages.filter(QRegularExpression(QStringLiteral("^Writing channel \\S+$"))), watcher.messages);
    verify_fits(f.window.get(), watcher.messages);
}

QTEST_MAIN(TestBusyWindow)
#include "tst_busy_window.moc"
