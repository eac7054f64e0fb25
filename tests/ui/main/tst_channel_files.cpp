// Saving and loading channel sets from the main window: the file choice,
// the file, and what the load sends to the simulated chip.
#include "main_window_fixture.h"

#include "core/number_text.h"

#include <QFile>
#include <QFileDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace zrx;

namespace {

QList<int> spread_codes(int first, int step)
{
    QList<int> codes;
    for (int i = 0; i < 24; ++i)
        codes.append(first + i * step);
    return codes;
}

QByteArray read_file(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write_file(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

void start_at(MainWindowFixture &f, const QString &vsup, const QList<int> &codes)
{
    f.store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), vsup);
    f.put_codes(codes);
    f.start();
}

} // namespace

class TestChannelFiles : public QObject {
    Q_OBJECT
private slots:
    void file_choice_request_and_stored_directory();
    void cancel_changes_nothing_data();
    void cancel_changes_nothing();
    void save_load_round_trip();
    void broken_file_is_reported_and_keeps_loaded_rows();
    void file_status_names_what_the_file_did_not_mean_data();
    void file_status_names_what_the_file_did_not_mean();
    void failed_save_is_reported();
    void real_dialog_configuration();
};

void TestChannelFiles::file_choice_request_and_stored_directory()
{
    QTemporaryDir dir;
    MainWindowFixture f;
    f.store.write(QStringLiteral("Startup"), QStringLiteral("Default_Dir"), QStringLiteral("/srv/sets/"));
    f.start();
    f.fileToChoose = dir.filePath(QStringLiteral("new.csv"));

    f.mouse_click(f.button(QStringLiteral("Command1")));
    QCOMPARE(f.fileRequests.size(), 1);
    QCOMPARE(f.fileRequests[0].initialDirectory, QStringLiteral("/srv/sets/"));
    const QStringList filters = f.fileRequests[0].nameFilters;
    QCOMPARE(filters.size(), 2);
    QCOMPARE(filters[0], QStringLiteral("Csv Files (*.csv)"));
#ifdef Q_OS_WIN
    // Windows' own dialog takes *.* for every file, a name without a dot included.
    QCOMPARE(filters[1], QStringLiteral("All Files (*.*)"));
#else
    // "All Files" means every file, a name without a dot included.
    QVERIFY(filters[1].startsWith(QStringLiteral("All Files (")));
    const QString allPattern = filters[1].section(QLatin1Char('('), 1).chopped(1);
    QVERIFY(QDir::match(allPattern, QStringLiteral("gamma_set")));
    QVERIFY(QDir::match(allPattern, QStringLiteral("gamma.csv")));
#endif
    QCOMPARE(f.store.read(QStringLiteral("Startup"), QStringLiteral("Default_Dir")), dir.path() + QLatin1Char('/'));

    // The directory is stored for the next run; this run keeps starting where
    // it started.
    f.mouse_click(f.button(QStringLiteral("Command2")));
    QCOMPARE(f.fileRequests.size(), 2);
    QCOMPARE(f.fileRequests[1].initialDirectory, QStringLiteral("/srv/sets/"));
}

void TestChannelFiles::cancel_changes_nothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("save") << "Command1";
    QTest::newRow("load") << "Command2";
}

void TestChannelFiles::cancel_changes_nothing()
{
    QFETCH(QString, button);
    MainWindowFixture f;
    start_at(f, QStringLiteral("10"), spread_codes(100, 3));
    f.fileToChoose.clear();

    f.mouse_click(f.button(button));
    QCOMPARE(f.fileRequests.size(), 1);
    QVERIFY(!f.store.contains(QStringLiteral("Startup"), QStringLiteral("Default_Dir")));
    QCOMPARE(f.take_transactions(), QStringList());
    QVERIFY(f.messages.isEmpty());
}

void TestChannelFiles::save_load_round_trip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.csv"));
    const QList<int> saved = spread_codes(1000, -41);

    MainWindowFixture f;
    start_at(f, QStringLiteral("4.5"), saved);
    f.fileToChoose = path;
    f.mouse_click(f.button(QStringLiteral("Command1")));
    QByteArray expectedFile = "4.5\r\n";
    for (const int code : saved)
        expectedFile += QByteArray::number(code) + "\r\n";
    QCOMPARE(read_file(path), expectedFile);
    QCOMPARE(f.take_transactions(), QStringList()); // saving leaves the chip alone

    // Another run, another reference and other codes on the chip.
    MainWindowFixture g;
    start_at(g, QStringLiteral("10"), spread_codes(3, 5));
    g.fileToChoose = path;
    g.mouse_click(g.button(QStringLiteral("Command2")));

    QVERIFY(g.messages.isEmpty());
    QCOMPARE(g.vsup_box()->text(), QStringLiteral(" 4.5"));
    QCOMPARE(g.window->table().VrefHighByA0[0], 4.5);
    // Every channel's own write, in channel order, among the rewrites the
    // refreshes cause.
    const QStringList writes = channel_writes_of(g.take_transactions());
    qsizetype from = 0;
    for (int c = 1; c <= 24; ++c) {
        from = writes.indexOf(channel_write(c, saved[c - 1]), from);
        QVERIFY2(from >= 0, qPrintable(QStringLiteral("channel %1").arg(c)));
        ++from;
    }
    for (int c = 1; c <= 24; ++c) {
        QCOMPARE(g.board.chip().register_word(c - 1), quint16(saved[c - 1]));
        QCOMPARE(g.code_box(c)->text(), format_code(saved[c - 1]));
        QCOMPARE(g.volts_box(c)->text(), format_volts(saved[c - 1] * 4.5 / 1024));
    }
}

void TestChannelFiles::broken_file_is_reported_and_keeps_loaded_rows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.csv"));
    write_file(path, "10\r\n100\r\n200\r\n300\r\nbanana\r\n500\r\n");
    const QList<int> before = spread_codes(600, 7);

    MainWindowFixture f;
    start_at(f, QStringLiteral("10"), before);
    f.fileToChoose = path;
    f.mouse_click(f.button(QStringLiteral("Command2")));

    QCOMPARE(f.messages.size(), 1);
    QVERIFY2(f.messages[0].text.contains(QStringLiteral("broken.csv")), qPrintable(f.messages[0].text));
    QCOMPARE(f.messages[0].icon, QMessageBox::Warning);
    // The three channels read before the fault stay loaded; the rest keep
    // what they had, on screen and on the chip.
    const QList<int> expected = QList<int>{100, 200, 300} + before.mid(3);
    for (int c = 1; c <= 24; ++c) {
        QCOMPARE(f.code_box(c)->text(), format_code(expected[c - 1]));
        QCOMPARE(f.board.chip().register_word(c - 1), quint16(expected[c - 1]));
    }
    QVERIFY(QFile(path).open(QIODevice::ReadWrite)); // not held open
}

void TestChannelFiles::file_status_names_what_the_file_did_not_mean_data()
{
    QTest::addColumn<QByteArray>("codes"); // lines 2..25 and anything after
    QTest::addColumn<QString>("status");
    QTest::addColumn<QList<int>>("sent"); // registers 0.. as the chip holds them after
    const QByteArray rest = QByteArray("512\r\n").repeated(19);
    QTest::newRow("the edges: -1 and 1025 named, 0, 1023 and 1024 not")
        << "-1\r\n0\r\n1023\r\n1024\r\n1025\r\n" + rest
        << "Codes outside 0..1024 in odd.csv: line 2 (-1, sent as 0), line 6 (1025, sent as 1023)"
        << QList<int>{0, 0, 1023, 1023, 1023};
    QTest::newRow("two values on a line, one negative")
        << "100,5120\r\n" + QByteArray("512\r\n").repeated(5) + "-7.9\r\n" + QByteArray("512\r\n").repeated(16)
        << "Codes outside 0..1024 in odd.csv: line 2 (5120, sent as 1023), line 8 (-7.9, sent as 0)"
        << QList<int>{100, 1023, 512, 512, 512, 512, 512, 0};
    QTest::newRow("read by leading digits, and values past the 25th")
        << "0x3FF\r\n12abc\r\n 7 \r\n&H10\r\n1e3\r\n" + rest + "4\r\n5\r\n"
        << "Not plain numbers in odd.csv: line 2 (\"0x3FF\", read as 0), line 3 (\"12abc\", read as 12), "
           "line 6 (\"1e3\", read as 1000); Values after the 25th in odd.csv ignored, from line 26 on"
        << QList<int>{0, 12, 7, 16, 1000};
    QTest::newRow("plain numbers in range, no more") << "1024\r\n&H3FF\r\n+2\r\n0\r\n1\r\n" + rest << QString()
                                                      << QList<int>{1023, 1023, 2, 0, 1};
}

// Loaded as they stand, sent saturated and read by the number rule, as ever;
// the status line names what the chip got other than the file says.
void TestChannelFiles::file_status_names_what_the_file_did_not_mean()
{
    QFETCH(QByteArray, codes);
    QFETCH(QString, status);
    QFETCH(QList<int>, sent);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("odd.csv"));
    write_file(path, "10\r\n" + codes);
    MainWindowFixture f;
    start_at(f, QStringLiteral("10"), spread_codes(3, 5));
    f.fileToChoose = path;
    f.mouse_click(f.button(QStringLiteral("Command2")));

    QCOMPARE(f.widget(QStringLiteral("statusFile"))->property("text").toString(), status);
    for (int r = 0; r < sent.size(); ++r)
        QCOMPARE(f.board.chip().register_word(r), quint16(sent[r]));
}

void TestChannelFiles::failed_save_is_reported()
{
    QTemporaryDir dir;
    MainWindowFixture f;
    start_at(f, QStringLiteral("10"), spread_codes(1, 1));
    f.fileToChoose = dir.filePath(QStringLiteral("no/such/dir/set.csv"));
    f.mouse_click(f.button(QStringLiteral("Command1")));
    QCOMPARE(f.messages.size(), 1);
    QVERIFY2(f.messages[0].text.contains(QStringLiteral("set.csv")), qPrintable(f.messages[0].text));
    QCOMPARE(f.messages[0].title, QStringLiteral("tst_channel_files"));
}

void TestChannelFiles::real_dialog_configuration()
{
    QFileDialog dialog;
    FileChoiceRequest request;
    request.initialDirectory = QDir::tempPath();
    request.nameFilters = channel_set_name_filters();
    configure_file_dialog(dialog, request);
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog.fileMode(), QFileDialog::AnyFile);
    QCOMPARE(dialog.nameFilters(), request.nameFilters);
    QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Csv Files (*.csv)"));
    QCOMPARE(QDir(dialog.directory()).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
    QVERIFY(dialog.selectedFiles().value(0).isEmpty()
            || QFileInfo(dialog.selectedFiles().value(0)).isDir());
}

QTEST_MAIN(TestChannelFiles)
#include "tst_channel_files.moc"
