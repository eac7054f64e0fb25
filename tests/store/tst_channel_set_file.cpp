#include "core/conversions.h"
#include "core/headless_channel_view.h"
#include "core/number_text.h"
#include "store/channel_set_file.h"
#include "store/channel_set_reader.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace zrx;

namespace {

QByteArray read_bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void write_bytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Files this process holds open, where the system tells; -1 elsewhere.
int open_file_count()
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    return fds.exists() ? int(fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size())
                        : -1;
}

// A 10 V table with address 0 whose rows already show its codes, and a view
// whose change reaction does what the main window's does. Every chip write,
// the loader's and the reaction's, is logged as "W<channel>:<code>" and
// "R<channel>:<code>".
struct Fixture {
    ChannelTable table;
    HeadlessChannelView view;
    QStringList writes;

    explicit Fixture(double initialCode = 0.0)
    {
        table.VrefHigh = 10.0;
        table.A0Setting = QStringLiteral("0");
        table.CurrentChannel = 1;
        for (int c = FirstChannel; c <= LastChannel; ++c)
            table.ChannelCode[c] = initialCode;
        view.set_vsup_text(number_text(table.VrefHigh));
        view.on_volts_changed = [this](int channel) {
            table.CurrentChannel = channel;
            volts_to_code(table, view);
            log('R', channel);
        };
        refresh_channels(table, view);
        writes.clear();
    }

    void log(char kind, int channel)
    {
        writes.append(QStringLiteral("%1%2:%3").arg(QLatin1Char(kind)).arg(channel).arg(table.ChannelCode[channel]));
    }

    ChannelSetLoadResult load(const QString &path)
    {
        return load_channel_set(path, table, view, [this] { log('W', table.CurrentChannel); });
    }

    // Every row shows what the table holds.
    void verify_rows_match_table() const
    {
        for (int c = FirstChannel; c <= LastChannel; ++c) {
            QCOMPARE(view.code_text(c), format_code(table.ChannelCode[c]));
            QCOMPARE(view.volts_text(c), format_volts(code_to_volts(table, table.ChannelCode[c])));
        }
    }
};

// The reference, then code 10 * c for channel c.
QByteArray channel_set(const QByteArray &reference, const QByteArray &separator = "\r\n")
{
    QByteArrayList values{reference};
    for (int c = 1; c <= 24; ++c)
        values.append(QByteArray::number(10 * c));
    return values.join(separator) + "\r\n";
}

} // namespace

class TestChannelSetFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void dir_of_path_data();
    void dir_of_path();
    void save_writes_one_value_per_line();
    void save_writes_plain_decimals_data();
    void save_writes_plain_decimals();
    void save_and_read_back();
    void save_and_read_back_extremes();
    void save_replaces_a_longer_file();
    void save_into_unwritable_place_reports_why_data();
    void save_into_unwritable_place_reports_why();
    void save_failing_part_way_keeps_old_file();
    void load_writes_each_channel_as_it_arrives();
    void load_with_new_reference_rewrites_every_row();
    void load_fault_keeps_rows_before_data();
    void load_fault_keeps_rows_before();
    void load_fault_at_first_channel_still_refreshes();
    void load_missing_file_changes_nothing();
    void load_binary_file();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestChannelSetFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestChannelSetFile::dir_of_path_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("dir");
    QTest::newRow("file in folder") << "/home/ann/sets/a.csv" << "/home/ann/sets/";
    QTest::newRow("file at root") << "/a.csv" << "/";
    QTest::newRow("folder path") << "/home/ann/" << "/home/ann/";
    QTest::newRow("bare name") << "a.csv" << "";
    QTest::newRow("empty") << "" << "";
#ifdef Q_OS_WIN
    QTest::newRow("backslashes") << "c:\\sets\\a.csv" << "c:\\sets\\";
    QTest::newRow("drive root") << "c:\\a.csv" << "c:\\";
    QTest::newRow("mixed, slash last") << "c:\\sets/a.csv" << "c:\\sets/";
    QTest::newRow("mixed, backslash last") << "c:/sets\\a.csv" << "c:/sets\\";
    QTest::newRow("drive without separator") << "c:a.csv" << "";
#else
    QTest::newRow("backslash is part of a name") << "/sets/a\\b.csv" << "/sets/";
    QTest::newRow("backslash only") << "c:\\sets\\a.csv" << "";
#endif
}

void TestChannelSetFile::dir_of_path()
{
    QFETCH(QString, path);
    QFETCH(QString, dir);
    QCOMPARE(zrx::dir_of_path(path), dir);
}

void TestChannelSetFile::save_writes_one_value_per_line()
{
    ChannelTable table;
    table.VrefHigh = 10.0;
    for (int c = FirstChannel; c <= LastChannel; ++c)
        table.ChannelCode[c] = 512;
    table.ChannelCode[19] = 0; // c1 is line 20
    table.ChannelCode[20] = 1023; // c2 is line 21
    QString error;
    QVERIFY(save_channel_set(path("set.csv"), table, &error));
    QCOMPARE(error, QString());

    const QByteArray bytes = read_bytes(path("set.csv"));
    QCOMPARE(bytes.count("\r\n"), 25);
    QCOMPARE(bytes.count('\n'), 25);
    QCOMPARE(bytes.count('\r'), 25);
    QVERIFY(bytes.endsWith("\r\n"));
    const QByteArrayList lines = bytes.chopped(2).split('\n');
    QCOMPARE(lines.size(), 25);
    QCOMPARE(lines[0], QByteArray("10\r"));
    QCOMPARE(lines[1], QByteArray("512\r"));
    QCOMPARE(lines[19], QByteArray("0\r"));
    QCOMPARE(lines[20], QByteArray("1023\r"));
    QCOMPARE(lines[24], QByteArray("512"));
}

void TestChannelSetFile::save_writes_plain_decimals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("zero") << 0.0 << QByteArray("0");
    QTest::newRow("fraction") << 4.5 << QByteArray("4.5");
    QTest::newRow("below one") << 0.5 << QByteArray(".5");
    QTest::newRow("negative") << -0.25 << QByteArray("-.25");
    QTest::newRow("tiny, no exponent") << 1e-7 << QByteArray(".0000001");
    QTest::newRow("huge, no exponent") << 1e20 << QByteArray("100000000000000000000");
}

void TestChannelSetFile::save_writes_plain_decimals()
{
    QFETCH(double, value);
    QFETCH(QByteArray, line);
    ChannelTable table;
    table.VrefHigh = value;
    table.ChannelCode[24] = value;
    QVERIFY(save_channel_set(path("set.csv"), table, nullptr));
    const QByteArrayList lines = read_bytes(path("set.csv")).split('\n');
    QCOMPARE(lines[0], line + '\r');
    QCOMPARE(lines[24], line + '\r');
}

// What one run saves, the next reads back value for value.
void TestChannelSetFile::save_and_read_back()
{
    ChannelTable table;
    table.VrefHigh = 3.3;
    for (int c = FirstChannel; c <= LastChannel; ++c)
        table.ChannelCode[c] = c * 41.25;
    table.ChannelCode[19] = 0.5;
    table.ChannelCode[20] = 1024;
    QVERIFY(save_channel_set(path("set.csv"), table, nullptr));

    ChannelSetReader reader(path("set.csv"));
    QCOMPARE(reader.next(), std::optional<double>(3.3));
    for (int c = FirstChannel; c <= LastChannel; ++c)
        QCOMPARE(reader.next(), std::optional<double>(table.ChannelCode[c]));
    QCOMPARE(reader.error(), QString());
}

// The longest texts a save writes, the largest and the smallest numbers
// without an exponent, must load again.
void TestChannelSetFile::save_and_read_back_extremes()
{
    ChannelTable table;
    table.VrefHigh = -std::numeric_limits<double>::max();
    table.ChannelCode[1] = -std::numeric_limits<double>::denorm_min();
    table.ChannelCode[2] = std::numeric_limits<double>::min();
    QVERIFY(save_channel_set(path("set.csv"), table, nullptr));

    ChannelSetReader reader(path("set.csv"));
    QCOMPARE(reader.next(), std::optional<double>(leading_number(number_text(table.VrefHigh))));
    for (int c = FirstChannel; c <= LastChannel; ++c)
        QCOMPARE(reader.next(), std::optional<double>(leading_number(number_text(table.ChannelCode[c]))));
    QCOMPARE(reader.error(), QString());
}

void TestChannelSetFile::save_replaces_a_longer_file()
{
    write_bytes(path("set.csv"), QByteArray(4000, 'x'));
    ChannelTable table;
    table.VrefHigh = 5.0;
    QVERIFY(save_channel_set(path("set.csv"), table, nullptr));
    QByteArray expected = "5\r\n";
    for (int c = FirstChannel; c <= LastChannel; ++c)
        expected += "0\r\n";
    QCOMPARE(read_bytes(path("set.csv")), expected);
}

void TestChannelSetFile::save_into_unwritable_place_reports_why_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("standing"); // what stands at target before
    // Root may write anywhere chmod forbids; a path through a file or a
    // missing folder stops everyone, and so does a folder or a FIFO that a
    // save would replace.
    QTest::newRow("under a regular file") << "old.csv/new.csv" << "";
    QTest::newRow("missing folder") << "missing/new.csv" << "";
    QTest::newRow("a folder") << "place" << "folder";
#ifdef Q_OS_UNIX
    QTest::newRow("a FIFO") << "place" << "fifo";
#endif
}

void TestChannelSetFile::save_into_unwritable_place_reports_why()
{
    QFETCH(QString, target);
    QFETCH(QString, standing);
    if (standing == QLatin1String("folder"))
        QVERIFY(QDir(m_dir->path()).mkdir(target));
#ifdef Q_OS_UNIX
    if (standing == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path(target)).constData(), 0600), 0);
#endif
    const QByteArray old = "old contents\r\n";
    write_bytes(path("old.csv"), old);
    ChannelTable table;
    table.VrefHigh = 10.0;
    QString error;
    QVERIFY(!save_channel_set(path(target), table, &error));
    const QString prefix = QStringLiteral("Cannot save %1: ").arg(QDir::toNativeSeparators(path(target)));
    QVERIFY2(error.startsWith(prefix), qPrintable(error));
    QVERIFY2(error.size() > prefix.size() + 3, qPrintable(error)); // the system's reason follows
    QVERIFY(!save_channel_set(path(target), table, nullptr));
    QCOMPARE(read_bytes(path("old.csv")), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("old.csv")});
    if (!standing.isEmpty())
        QVERIFY(QFileInfo::exists(path(target)) && !QFileInfo(path(target)).isFile());
}

// A file-size limit makes the disk refuse the new text half-way, as a full
// disk would: the old set must survive whole and no scrap may stay behind.
void TestChannelSetFile::save_failing_part_way_keeps_old_file()
{
#ifdef Q_OS_UNIX
    const QByteArray old = channel_set("2.5");
    write_bytes(path("set.csv"), old);
    ChannelTable table;
    table.VrefHigh = 10.0;
    for (int c = FirstChannel; c <= LastChannel; ++c)
        table.ChannelCode[c] = 1000 + c;

    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 40; // fewer bytes than the set needs
    QVERIFY(setrlimit(RLIMIT_FSIZE, &tight) == 0);
    QString error;
    const bool saved_ok = save_channel_set(path("set.csv"), table, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!saved_ok);
    QVERIFY2(error.startsWith(QStringLiteral("Cannot save ")), qPrintable(error));
    QCOMPARE(read_bytes(path("set.csv")), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("set.csv")});
#else
    QSKIP("needs a per-process file-size limit");
#endif
}

// One loader write per channel in channel order, each followed by the
// reaction of the one row whose text it changed.
void TestChannelSetFile::load_writes_each_channel_as_it_arrives()
{
    write_bytes(path("set.csv"), channel_set("10"));
    Fixture f;
    const ChannelSetLoadResult result = f.load(path("set.csv"));
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.valuesRead, 25);
    QCOMPARE(result.error, QString());

    QStringList expected;
    for (int c = 1; c <= 24; ++c)
        expected << QStringLiteral("W%1:%2").arg(c).arg(10 * c) << QStringLiteral("R%1:%2").arg(c).arg(10 * c);
    QCOMPARE(f.writes, expected);
    for (int c = FirstChannel; c <= LastChannel; ++c)
        QCOMPARE(f.table.ChannelCode[c], 10.0 * c);
    QCOMPARE(f.table.CurrentChannel, 24);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 10"));
    f.verify_rows_match_table();
}

// A new reference changes every row on the first pass, so channels not yet
// loaded are written once with their old codes before their own turn.
void TestChannelSetFile::load_with_new_reference_rewrites_every_row()
{
    write_bytes(path("set.csv"), channel_set("5"));
    Fixture f(512);
    f.table.A0Setting = QStringLiteral("1");
    f.table.VrefHighByA0 = {7.0, 8.0};
    const ChannelSetLoadResult result = f.load(path("set.csv"));
    QVERIFY2(result.ok, qPrintable(result.error));

    QStringList expected{QStringLiteral("W1:10"), QStringLiteral("R1:10")};
    for (int c = 2; c <= 24; ++c)
        expected << QStringLiteral("R%1:512").arg(c);
    for (int c = 2; c <= 24; ++c)
        expected << QStringLiteral("W%1:%2").arg(c).arg(10 * c) << QStringLiteral("R%1:%2").arg(c).arg(10 * c);
    QCOMPARE(f.writes, expected);
    QCOMPARE(f.table.VrefHigh, 5.0);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 5"));
    QCOMPARE(f.table.VrefHighByA0[1], 5.0); // remembered for the present address
    QCOMPARE(f.table.VrefHighByA0[0], 7.0);
    QCOMPARE(f.view.volts_text(1), QStringLiteral(" .048"));
    f.verify_rows_match_table();
}

void TestChannelSetFile::load_fault_keeps_rows_before_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("valuesRead");
    QTest::addColumn<QString>("error"); // after the file name
    const QByteArray nine = channel_set("10").left(channel_set("10").indexOf("80\r\n") + 4);
    QTest::newRow("word as value 10") << nine + "abc\r\n" + "100\r\n" << 9
                                      << QStringLiteral("Value 10 on line 10 of %1 (\"abc\") is not a number");
    QTest::newRow("file ends after value 9") << nine << 9
                                             << QStringLiteral("%1 holds only 9 of the 25 values of a channel set");
}

// Channels 1..8 stay loaded and written; 9..24 keep their codes; the rows
// match the table; the file is closed.
void TestChannelSetFile::load_fault_keeps_rows_before()
{
    QFETCH(QByteArray, content);
    QFETCH(int, valuesRead);
    QFETCH(QString, error);
    write_bytes(path("set.csv"), content);
    Fixture f(300);
    const int openFiles = open_file_count();
    const ChannelSetLoadResult result = f.load(path("set.csv"));
    QCOMPARE(open_file_count(), openFiles);

    QVERIFY(!result.ok);
    QCOMPARE(result.valuesRead, valuesRead);
    QCOMPARE(result.error, error.arg(QDir::toNativeSeparators(path("set.csv"))));
    QStringList expected;
    for (int c = 1; c <= 8; ++c)
        expected << QStringLiteral("W%1:%2").arg(c).arg(10 * c) << QStringLiteral("R%1:%2").arg(c).arg(10 * c);
    QCOMPARE(f.writes, expected);
    for (int c = 1; c <= 8; ++c)
        QCOMPARE(f.table.ChannelCode[c], 10.0 * c);
    for (int c = 9; c <= 24; ++c)
        QCOMPARE(f.table.ChannelCode[c], 300.0);
    f.verify_rows_match_table();
}

// Only the reference arrived: no channel write, but the rows are redrawn
// for the new reference and changed rows react as always.
void TestChannelSetFile::load_fault_at_first_channel_still_refreshes()
{
    write_bytes(path("set.csv"), "5\r\nfive\r\n");
    Fixture f(512);
    const ChannelSetLoadResult result = f.load(path("set.csv"));
    QVERIFY(!result.ok);
    QCOMPARE(result.valuesRead, 1);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 5"));
    QCOMPARE(f.view.volts_text(1), QStringLiteral(" 2.5"));
    QCOMPARE(f.writes.size(), 24);
    QVERIFY(f.writes.filter(u"W").isEmpty());
    f.verify_rows_match_table();
}

void TestChannelSetFile::load_missing_file_changes_nothing()
{
    Fixture f(512);
    const ChannelSetLoadResult result = f.load(path("absent.csv"));
    QVERIFY(!result.ok);
    QCOMPARE(result.valuesRead, 0);
    const QString prefix = QStringLiteral("Cannot open %1: ").arg(QDir::toNativeSeparators(path("absent.csv")));
    QVERIFY2(result.error.startsWith(prefix) && result.error.size() > prefix.size(), qPrintable(result.error));
    QVERIFY(f.writes.isEmpty());
    QCOMPARE(f.table.VrefHigh, 10.0);
    QCOMPARE(f.view.vsup_text(), QStringLiteral(" 10"));
}

// A megabyte of noise: a load or a clean refusal, with the file closed.
void TestChannelSetFile::load_binary_file()
{
    QRandomGenerator random(20240607);
    QByteArray noise(1024 * 1024, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    write_bytes(path("noise.bin"), noise);

    Fixture f;
    const int openFiles = open_file_count();
    const ChannelSetLoadResult result = f.load(path("noise.bin"));
    QCOMPARE(open_file_count(), openFiles);
    QCOMPARE(result.ok, result.error.isEmpty());
    QVERIFY(result.valuesRead <= 25);
    QVERIFY(f.writes.filter(u"W").size() <= 24);
    f.verify_rows_match_table();
}

QTEST_GUILESS_MAIN(TestChannelSetFile)
#include "tst_channel_set_file.moc"
