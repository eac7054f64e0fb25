#include "core/conversions.h"
#include "core/headless_channel_view.h"
#include "device/chip.h"
#include "store/memory_settings_store.h"
#include "store/settings_keys.h"
#include "support/line_trace_decoder.h"
#include "support/simulated_bus.h"
#include "ui/batch/batch_file_path.h"
#include "ui/batch/frm_batch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <memory>

using namespace zrx;

namespace {

constexpr int FileCount = 8;
const QString StepMarker = QStringLiteral("TX[01 00 00 00]");

// Every code is unique to its file and channel, so the traffic alone tells
// which file reached the chip.
int file_code(int file, int channel)
{
    return 32 * file + channel;
}

QString file_name(int file)
{
    return QStringLiteral("set_%1.csv").arg(file);
}

// A channel set whose reference is the one already in use, so a load writes
// each channel once and once more when its box text changes, and nothing else.
QByteArray channel_set_text(int file, int values = 25)
{
    QByteArray text = "10\r\n";
    for (int channel = 1; channel < values; ++channel)
        text += QByteArray::number(file_code(file, channel)) + "\r\n";
    return text;
}

void write_file(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

// The story the wire tells: one token per complete file ("4"), a partly loaded
// file with the channels it got ("4:1..9"), the step marker, and any write that
// belongs to no file as "?register=code". A write repeated at once (the box's
// own rewrite of the channel just loaded) tells nothing new and is dropped.
QStringList wire_story(const LineTrace &trace)
{
    static const QRegularExpression write(
        QStringLiteral("^S E8 A ([0-9A-F]{2}) A ([0-9A-F]{2}) A ([0-9A-F]{2}) A P$"));
    QStringList story;
    QList<QPair<int, int>> writes;
    auto flush = [&] {
        qsizetype i = 0;
        while (i < writes.size()) {
            const int file = (writes[i].second - 1) / 32;
            qsizetype n = 0;
            while (i + n < writes.size() && n < 24 && writes[i + n].first == n
                   && writes[i + n].second == file_code(file, int(n) + 1))
                ++n;
            if (n == 0) {
                story << QStringLiteral("?%1=%2").arg(writes[i].first).arg(writes[i].second);
                ++i;
                continue;
            }
            story << (n == 24 ? QString::number(file) : QStringLiteral("%1:1..%2").arg(file).arg(n));
            i += n;
        }
        writes.clear();
    };
    for (const QString &transaction : decode_transactions(trace)) {
        const QRegularExpressionMatch m = write.match(transaction);
        if (m.hasMatch()) {
            const int reg = m.captured(1).toInt(nullptr, 16);
            const int code = ((m.captured(2).toInt(nullptr, 16) & 0x03) << 8) | m.captured(3).toInt(nullptr, 16);
            if (writes.isEmpty() || writes.last() != qMakePair(reg, code))
                writes.append({reg, code});
            continue;
        }
        flush();
        story << transaction;
    }
    flush();
    return story;
}

QStringList files_then_markers(const QList<int> &files)
{
    QStringList story;
    for (int file : files)
        story << QString::number(file) << StepMarker;
    return story;
}

// The program around the window: the table and its boxes, the bus on the
// recorder in front of the simulated board, the settings and the batch flags.
struct Bench {
    ChannelTable table;
    HeadlessChannelView view;
    SimulatedBus wire;
    RecordingSerialControl &MSComm1 = wire.recorder;
    Chip chip{table, view, wire.bus};
    MemorySettingsStore store;
    BatchState state;

    Bench()
    {
        table.A0Setting = QStringLiteral("0");
        table.VrefHigh = 10;
        table.CurrentChannel = 1;
        view.on_volts_changed = [this](int channel) { volts_text_changed(chip, channel); };
        // Boxes as the main window shows them after start-up.
        refresh_channels(table, view);
        MSComm1.clear_trace();
    }

    bool board_holds(int file) const
    {
        for (int channel = 1; channel <= 24; ++channel)
            if (wire.board.chip().register_word(channel - 1) != file_code(file, channel))
                return false;
        return true;
    }
};

} // namespace

class tst_frm_batch : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opening_reads_only_the_directory();
    void run_cycles_through_the_selection_top_to_bottom();
    void stop_during_the_pause_ends_the_run_after_it();
    void unreadable_delay_means_no_pause_data();
    void unreadable_delay_means_no_pause();
    void run_with_nothing_selected_waits_for_stop();
    void broken_file_is_reported_and_the_run_goes_on();
    void closing_the_window_ends_the_run_data();
    void closing_the_window_ends_the_run();
    void run_survives_a_change_of_directory();
    void browsing_folders_keeps_the_selection();

    void single_steps_data();
    void single_steps();
    void first_step_after_a_click_lands_on_the_topmost_selected();
    void single_step_with_nothing_to_load_data();
    void single_step_with_nothing_to_load();
    void step_index_beyond_a_shorter_list_is_brought_back();

    void batch_file_reference_shows_in_the_vsup_box();
    void closed_port_loads_the_window_only();
    void file_path_data();
    void file_path();

private:
    void open_window();
    void select(const QList<int> &positions);
    QPushButton *button(const char *name) const { return m_window->findChild<QPushButton *>(name); }
    QLabel *label(const char *name) const { return m_window->findChild<QLabel *>(name); }
    QListWidget *file_list() const { return m_window->findChild<QListWidget *>("File1"); }
    QLineEdit *delay_box() const { return m_window->findChild<QLineEdit *>("Text1"); }
    void point_dir_at(const QString &path);
    // Stops the run (Command2) when the step after `steps` steps is done.
    void stop_after(int steps);

    std::unique_ptr<Bench> m_bench;
    std::unique_ptr<QTemporaryDir> m_dir;
    QPointer<frm_batch> m_window;
    QList<int> m_steps;
};

void tst_frm_batch::init()
{
    m_bench = std::make_unique<Bench>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (int file = 0; file < FileCount; ++file)
        write_file(m_dir->filePath(file_name(file)), channel_set_text(file));
    m_bench->store.write(DefaultDirEntry.section, DefaultDirEntry.key, m_dir->path() + QLatin1Char('/'));
    m_steps.clear();
}

void tst_frm_batch::cleanup()
{
    delete m_window;
    m_dir.reset();
    m_bench.reset();
}

void tst_frm_batch::open_window()
{
    m_window = new frm_batch(m_bench->chip, m_bench->MSComm1, m_bench->store, m_bench->state);
    connect(m_window, &frm_batch::batch_step_done, this, [this](int position) { m_steps << position; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void tst_frm_batch::select(const QList<int> &positions)
{
    for (int p : positions)
        file_list()->item(p)->setSelected(true);
}

void tst_frm_batch::point_dir_at(const QString &path)
{
    auto *dir1 = m_window->findChild<QTreeView *>("Dir1");
    auto *model = qobject_cast<QFileSystemModel *>(dir1->model());
    dir1->setCurrentIndex(model->index(path));
    QTest::keyClick(dir1, Qt::Key_Return);
}

void tst_frm_batch::stop_after(int steps)
{
    connect(m_window, &frm_batch::batch_step_done, this, [this, steps] {
        if (m_steps.size() == steps)
            button("Command2")->click();
    });
}

void tst_frm_batch::opening_reads_only_the_directory()
{
    Bench &b = *m_bench;
    b.store.write(VrefHigh0Entry.section, VrefHigh0Entry.key, QStringLiteral("3.3"));
    b.store.write(A0Entry.section, A0Entry.key, QStringLiteral("1"));
    b.state.BatchStepIndex = 5;
    open_window();

    QCOMPARE(b.table.VrefHigh, 10.0);
    QCOMPARE(b.table.A0Setting, QStringLiteral("0"));
    QCOMPARE(b.state.BatchStepIndex, 0);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Run Batch"));
    QCOMPARE(delay_box()->text(), QStringLiteral("1"));
    QVERIFY(label("Label3")->text().isEmpty());
    QVERIFY(label("Label3")->font().bold());
    QCOMPARE(label("Label3")->font().pointSizeF(), 13.5);
    QCOMPARE(QDir(m_window->file_directory()), QDir(m_dir->path()));
    QCOMPARE(file_list()->count(), FileCount);
    QCOMPARE(file_list()->item(4)->text(), file_name(4));
    QVERIFY(b.MSComm1.trace().isEmpty());
}

void tst_frm_batch::run_cycles_through_the_selection_top_to_bottom()
{
    open_window();
    select({6, 1, 4});
    delay_box()->setText(QStringLiteral("0"));
    stop_after(6);
    // "Run Batch" again, in the pause after the first file, changes nothing.
    connect(m_window, &frm_batch::batch_step_done, this, [this] {
        if (m_steps.size() == 1)
            QTimer::singleShot(0, this, [this] { button("Command1")->click(); });
    });
    button("Command1")->click();

    QCOMPARE(wire_story(m_bench->MSComm1.trace()), files_then_markers({1, 4, 6, 1, 4, 6}));
    QCOMPARE(m_steps, QList<int>({1, 4, 6, 1, 4, 6}));
    QCOMPARE(label("Label3")->text(), file_name(6));
    QVERIFY(m_bench->board_holds(6));
}

void tst_frm_batch::stop_during_the_pause_ends_the_run_after_it()
{
    open_window();
    select({1, 4, 6});
    delay_box()->setText(QStringLiteral("0.2"));
    bool stoppedInPause = false;
    connect(m_window, &frm_batch::batch_step_done, this, [&](int position) {
        if (m_steps.size() > 4)
            button("Command2")->click(); // the stop was missed; end the test
        if (position == 4)
            QTimer::singleShot(0, this, [&] {
                stoppedInPause = true;
                button("Command2")->click();
            });
    });
    button("Command1")->click();

    QVERIFY(stoppedInPause);
    QCOMPARE(wire_story(m_bench->MSComm1.trace()), files_then_markers({1, 4}));
    QCOMPARE(label("Label3")->text(), file_name(4));
    QVERIFY(m_bench->board_holds(4));
}

void tst_frm_batch::unreadable_delay_means_no_pause_data()
{
    QTest::addColumn<QString>("delay");
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("empty") << QString();
    QTest::newRow("not a number") << QStringLiteral("abc");
}

void tst_frm_batch::unreadable_delay_means_no_pause()
{
    QFETCH(QString, delay);
    open_window();
    select({1, 4, 6});
    delay_box()->setText(delay);
    stop_after(3);
    QElapsedTimer clock;
    clock.start();
    button("Command1")->click();

    QCOMPARE(m_steps, QList<int>({1, 4, 6}));
    // Three pauses of even one second would take three.
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
}

void tst_frm_batch::run_with_nothing_selected_waits_for_stop()
{
    open_window();
    QTimer::singleShot(50, button("Command2"), &QPushButton::click);
    button("Command1")->click();

    QVERIFY(m_steps.isEmpty());
    QVERIFY(m_bench->MSComm1.trace().isEmpty());
    QCOMPARE(m_bench->state.BatchStopFlag, 1);
}

void tst_frm_batch::broken_file_is_reported_and_the_run_goes_on()
{
    write_file(m_dir->filePath(file_name(4)), channel_set_text(4, 10));
    open_window();
    select({1, 4, 6});
    delay_box()->setText(QStringLiteral("0"));
    stop_after(3);
    button("Command1")->click();

    QCOMPARE(wire_story(m_bench->MSComm1.trace()),
             QStringList({QStringLiteral("1"), StepMarker, QStringLiteral("4:1..9"), QStringLiteral("6"), StepMarker}));
    const QString report = label("lblBatchStatus")->text();
    QVERIFY2(report.contains(file_name(4)), qPrintable(report));
    QCOMPARE(label("Label3")->text(), file_name(6));
    QVERIFY(m_window->isVisible());
}

void tst_frm_batch::closing_the_window_ends_the_run_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("closed") << false;
    QTest::newRow("destroyed") << true;
}

void tst_frm_batch::closing_the_window_ends_the_run()
{
    QFETCH(bool, destroy);
    open_window();
    select({1, 4, 6});
    delay_box()->setText(QStringLiteral("0.1"));
    BatchState &state = m_bench->state;
    connect(m_window, &frm_batch::batch_step_done, this, [this, destroy, &state] {
        // A run that outlives its window must still end here, not hang the test.
        if (m_steps.size() > 3)
            state.BatchStopFlag = 1;
        QTimer::singleShot(0, this, [this, destroy] {
            if (destroy)
                delete m_window;
            else
                m_window->close();
        });
    });
    m_window->run_batch();

    QCOMPARE(wire_story(m_bench->MSComm1.trace()), files_then_markers({1}));
    QCOMPARE(m_bench->state.BatchStopFlag, 1);
    QCOMPARE(m_window.isNull(), destroy);
}

void tst_frm_batch::run_survives_a_change_of_directory()
{
    QTemporaryDir shorter;
    for (int file : {2, 3})
        write_file(shorter.filePath(file_name(file)), channel_set_text(file));
    open_window();
    select({1, 6});
    delay_box()->setText(QStringLiteral("0"));
    connect(m_window, &frm_batch::batch_step_done, this, [&] {
        if (m_steps.size() == 2) {
            // Past the end of the new list: the pass ends and the next one
            // starts on the new directory.
            point_dir_at(shorter.path());
            file_list()->item(1)->setSelected(true);
        } else if (m_steps.size() == 3) {
            button("Command2")->click();
        }
    });
    button("Command1")->click();

    QCOMPARE(wire_story(m_bench->MSComm1.trace()), files_then_markers({1, 6, 3}));
    QCOMPARE(m_steps, QList<int>({1, 6, 1}));
}

// Highlighting another folder (a click, an arrow key) keeps the list and the
// files selected for the batch; Enter or a double click changes directory.
void tst_frm_batch::browsing_folders_keeps_the_selection()
{
    QTemporaryDir other;
    write_file(other.filePath(QStringLiteral("elsewhere.csv")), channel_set_text(0));
    open_window();
    select({1, 4});
    auto *dir1 = m_window->findChild<QTreeView *>("Dir1");
    auto *model = qobject_cast<QFileSystemModel *>(dir1->model());

    dir1->setFocus();
    dir1->setCurrentIndex(model->index(other.path()));
    QTest::keyClick(dir1, Qt::Key_Up);
    QCOMPARE(m_window->file_directory(), m_dir->path());
    QCOMPARE(file_list()->count(), FileCount);
    QCOMPARE(file_list()->selectedItems().size(), 2);

    dir1->setCurrentIndex(model->index(other.path()));
    QTest::keyClick(dir1, Qt::Key_Return);
    QCOMPARE(m_window->file_directory(), other.path());
    QCOMPARE(file_list()->count(), 1);
}

void tst_frm_batch::single_steps_data()
{
    QTest::addColumn<int>("startIndex");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QList<int>>("loaded");

    QTest::newRow("down from the top") << 0 << "DDDD" << QList<int>{1, 4, 6, 1};
    QTest::newRow("up wraps to the bottom") << 0 << "UUU" << QList<int>{6, 4, 1};
    QTest::newRow("down from the last entry wraps to the first selected") << 7 << "D" << QList<int>{1};
    QTest::newRow("up from the first selected wraps") << 1 << "U" << QList<int>{6};
    QTest::newRow("back and forth") << 4 << "DUU" << QList<int>{6, 4, 1};
}

void tst_frm_batch::single_steps()
{
    QFETCH(int, startIndex);
    QFETCH(QString, buttons);
    QFETCH(QList<int>, loaded);
    open_window();
    select({1, 4, 6});
    m_bench->state.BatchListClicked = 0;
    m_bench->state.BatchStepIndex = startIndex;

    for (QChar which : buttons)
        button(which == QLatin1Char('D') ? "Command3" : "Command4")->click();

    QCOMPARE(m_steps, loaded);
    QCOMPARE(wire_story(m_bench->MSComm1.trace()), files_then_markers(loaded));
    QCOMPARE(label("Label3")->text(), file_name(loaded.last()) + QLatin1Char(' ') + QString::number(loaded.last()));
    QCOMPARE(m_bench->state.BatchStepIndex, loaded.last());
    QVERIFY(m_bench->board_holds(loaded.last()));
}

void tst_frm_batch::first_step_after_a_click_lands_on_the_topmost_selected()
{
    open_window();
    QListWidget *list = file_list();
    for (int p : {1, 4, 6})
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(list->item(p)).center());
    QCOMPARE(list->selectedItems().size(), 3);
    QCOMPARE(m_bench->state.BatchListClicked, 1);

    button("Command4")->click(); // up, but the click sends it to the top
    QCOMPARE(label("Label3")->text(), QStringLiteral("set_1.csv 1"));
    QCOMPARE(m_bench->state.BatchListClicked, 0);
    button("Command4")->click();
    QCOMPARE(label("Label3")->text(), QStringLiteral("set_6.csv 6"));

    QCOMPARE(wire_story(m_bench->MSComm1.trace()), files_then_markers({1, 6}));
}

void tst_frm_batch::single_step_with_nothing_to_load_data()
{
    QTest::addColumn<bool>("emptyDirectory");
    QTest::newRow("nothing selected") << false;
    QTest::newRow("empty list") << true;
}

void tst_frm_batch::single_step_with_nothing_to_load()
{
    QFETCH(bool, emptyDirectory);
    QTemporaryDir empty;
    if (emptyDirectory)
        m_bench->store.write(DefaultDirEntry.section, DefaultDirEntry.key, empty.path());
    open_window();
    QCOMPARE(file_list()->count(), emptyDirectory ? 0 : FileCount);

    button("Command3")->click();
    button("Command4")->click();

    QVERIFY(m_steps.isEmpty());
    QVERIFY(m_bench->MSComm1.trace().isEmpty());
    QVERIFY(label("Label3")->text().isEmpty());
}

void tst_frm_batch::step_index_beyond_a_shorter_list_is_brought_back()
{
    QTemporaryDir shorter;
    for (int file : {2, 3, 5})
        write_file(shorter.filePath(file_name(file)), channel_set_text(file));
    open_window();
    m_bench->state.BatchStepIndex = 7;
    point_dir_at(shorter.path());
    QCOMPARE(file_list()->count(), 3);
    file_list()->item(0)->setSelected(true);
    file_list()->item(2)->setSelected(true);
    m_bench->state.BatchListClicked = 0;

    // Brought back to the last entry, so a step up moves on to the first.
    button("Command4")->click();

    QCOMPARE(m_steps, QList<int>({0}));
    QCOMPARE(label("Label3")->text(), QStringLiteral("set_2.csv 0"));
}

void tst_frm_batch::batch_file_reference_shows_in_the_vsup_box()
{
    QByteArray text = channel_set_text(2);
    text.replace(0, 2, "5");
    write_file(m_dir->filePath(file_name(2)), text);
    open_window();
    select({2});
    m_bench->state.BatchListClicked = 0;
    button("Command3")->click();

    QCOMPARE(m_bench->table.VrefHigh, 5.0);
    QCOMPARE(m_bench->view.vsup_text(), QStringLiteral(" 5"));
}

void tst_frm_batch::closed_port_loads_the_window_only()
{
    open_window();
    select({3});
    m_bench->state.BatchListClicked = 0;
    m_bench->MSComm1.close_port();
    m_bench->MSComm1.clear_trace();
    button("Command3")->click();

    for (const LineOperation &operation : m_bench->MSComm1.trace())
        QVERIFY(operation.kind != LineOperation::Kind::Output);
    QVERIFY(m_bench->wire.board.transmitted().isEmpty());
    QCOMPARE(m_bench->table.ChannelCode[24], double(file_code(3, 24)));
    // Nothing reached the chip, so Label3 does not claim it.
    QCOMPARE(label("Label3")->text(), QString());
    QVERIFY(label("lblBatchStatus")->text().contains(QStringLiteral("did not reach the chip")));
}

void tst_frm_batch::file_path_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("path");
    QTest::newRow("directory") << "/tmp/sets" << "/tmp/sets/a.csv";
    QTest::newRow("root") << "/" << "/a.csv";
    QTest::newRow("drive root") << "C:/" << "C:/a.csv";
    QTest::newRow("native drive root") << "c:\\" << "c:\\a.csv";
    QTest::newRow("native directory") << "c:\\sets" << "c:\\sets\\a.csv";
}

void tst_frm_batch::file_path()
{
    QFETCH(QString, directory);
    QFETCH(QString, path);
    QCOMPARE(batch_file_path(directory, QStringLiteral("a.csv")), path);
}

QTEST_MAIN(tst_frm_batch)
#include "tst_frm_batch.moc"
