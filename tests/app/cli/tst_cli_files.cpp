// The tool's channel-set files: taken only as they were surely meant, read
// from pipes without hanging, and never a save over something that is not a
// file. Every refusal comes before the port is made.
#include "cli_in_process.h"

#include "support/golden_bus_text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <thread>
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace zrx;

namespace {

// "10", then the codes 100, 140, 180, ... of channels 1..24.
QByteArrayList set_values()
{
    QByteArrayList values{"10"};
    for (int channel = 1; channel <= 24; ++channel)
        values << QByteArray::number(60 + 40 * channel);
    return values;
}

QString write_file(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(content);
    return file.fileName();
}

QByteArray with_value(int line, const QByteArray &value)
{
    QByteArrayList values = set_values();
    values[line - 1] = value;
    return values.join("\r\n") + "\r\n";
}

QStringList writes_of(const QByteArrayList &values)
{
    QStringList text;
    for (int channel = 1; channel <= 24; ++channel)
        text << channel_write(channel, values[channel].toDouble());
    return text;
}

} // namespace

class TestCliFiles : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void bad_files_are_refused_before_the_port_opens_data();
    void bad_files_are_refused_before_the_port_opens();
    void code_edges_data();
    void code_edges();
    void save_refuses_what_is_not_a_file_data();
    void save_refuses_what_is_not_a_file();
    void a_fifo_is_read_like_a_file();
    void command_line_edges_data();
    void command_line_edges();

private:
    QTemporaryDir m_dir;
};

void TestCliFiles::bad_files_are_refused_before_the_port_opens_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("content"); // empty: the path is given as it stands
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message"); // %1: the file's name
    const QString good = write_file(m_dir, QStringLiteral("good.csv"), with_value(1, "10"));
    const auto row = [](const char *name, const QString &command, const QByteArray &content, const QString &message) {
        QTest::newRow(name) << command << content << QString() << message;
    };
    row("0x3FF, with a hint", "load", with_value(4, "0x3FF"),
        R"(Value 4 on line 4 of %1 ("0x3FF") is not a number: write "&H3FF" for a hexadecimal code)");
    row("12abc", "program-otp --yes", with_value(2, "12abc"), R"(Value 2 on line 2 of %1 ("12abc") is not a number: a value is)");
    row("1_000", "batch " + good, with_value(25, "1_000"), R"(Value 25 on line 25 of %1 ("1_000") is not a number)");
    row("1.5.5 as the reference", "load", with_value(1, "1.5.5"), R"(Value 1 on line 1 of %1 ("1.5.5") is not)");
    row("512 513", "load", with_value(9, " 512 513 "), R"(Value 9 on line 9 of %1 ("512 513") is not)");
    row("an escape sequence shown as ?", "load", with_value(3, "\x1b[2J5"), R"(on line 3 of %1 ("?[2J5") is not a number)");
    row("UTF-8 shown as written", "load", with_value(3, "\xc3\xa4"), QString::fromUtf8(R"(on line 3 of %1 ("ä") is not)"));
    row("1,000 shifts the channels", "program-otp --yes", with_value(6, "1,000"),
        "%1 holds more than the 25 values of a channel set: a 26th begins on line 25 (line 6 holds more than one "
        "value: a comma ends a value)");
    row("24 values", "load", set_values().mid(0, 24).join("\n"), "%1 holds only 24 of the 25 values");
    row("26 values", "batch " + good, with_value(25, "100\r\n7"), "%1 holds more than the 25 values of a channel set: "
                                                                  "a 26th begins on line 26");
    row("code -1", "load", with_value(2, "-1"), "Line 2 of %1 holds the code -1: channel codes are 0..1024");
    row("code 1025", "program-otp --yes", with_value(25, "1025"), "Line 25 of %1 holds the code 1025");
    QTest::newRow("a folder") << "load" << QByteArray() << m_dir.path() << "Cannot read %1: is a folder";
#ifdef Q_OS_UNIX
    QTest::newRow("a device") << "program-otp --yes" << QByteArray() << "/dev/null"
                              << "Cannot read %1: is not a regular file";
#endif
}

// Exit 3 with the line and the value named, and no port made: nothing sent.
void TestCliFiles::bad_files_are_refused_before_the_port_opens()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, content);
    QFETCH(QString, path);
    QFETCH(QString, message);
    if (path.isEmpty())
        path = write_file(m_dir, QStringLiteral("bad.csv"), content);
    Cli cli;

    QCOMPARE(cli.run(command + " --simulate " + path), 3);

    QVERIFY2(cli.err.contains(message.arg(QDir::toNativeSeparators(path))), qPrintable(cli.err));
    QVERIFY(!cli.err.contains(QChar(0x1b)));
    QCOMPARE(cli.recorder, nullptr);
}

void TestCliFiles::code_edges_data()
{
    QTest::addColumn<QByteArray>("code"); // channel 7's
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("sent"); // -1: nothing goes out
    QTest::newRow("-1") << QByteArray("-1") << 3 << -1;
    QTest::newRow("0") << QByteArray("0") << 0 << 0;
    QTest::newRow("1023") << QByteArray("1023") << 0 << 1023;
    QTest::newRow("1024, the full scale") << QByteArray("1024") << 0 << 1023;
    QTest::newRow("&H400 is 1024 too") << QByteArray("&H400") << 0 << 1023;
    QTest::newRow("1025") << QByteArray("1025") << 3 << -1;
}

void TestCliFiles::code_edges()
{
    QFETCH(QByteArray, code);
    QFETCH(int, exitCode);
    QFETCH(int, sent);
    const QString path = write_file(m_dir, QStringLiteral("edge.csv"), with_value(8, code));
    Cli cli;

    QCOMPARE(cli.run("load --simulate " + path), exitCode);

    if (sent < 0) {
        QVERIFY2(cli.err.contains("Line 8 of "), qPrintable(cli.err));
        QCOMPARE(cli.recorder, nullptr);
        return;
    }
    QByteArrayList values = set_values();
    values[7] = QByteArray::number(sent);
    QCOMPARE(cli.wire(), writes_of(values));
}

void TestCliFiles::save_refuses_what_is_not_a_file_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder") << "folder" << "is a folder";
#ifdef Q_OS_UNIX
    QTest::newRow("FIFO") << "fifo" << "is not a regular file";
#endif
}

// Refused before the chip is read; the FIFO or folder stays what it was.
void TestCliFiles::save_refuses_what_is_not_a_file()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("place"));
#ifdef Q_OS_UNIX
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("place")));
    Cli cli;

    QCOMPARE(cli.run("save --vsup 10 --simulate " + path), 3);

    QVERIFY2(cli.err.contains("Cannot save " + QDir::toNativeSeparators(path) + ": " + reason), qPrintable(cli.err));
    QCOMPARE(cli.recorder, nullptr);
    const QFileInfo left(path);
    QVERIFY(left.exists() && !left.isFile());
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System),
             QStringList{QStringLiteral("place")});
}

// A FIFO whose writer comes after the tool has opened it is read to its end
// and loaded; the wait for the writer and the signal that ends it are tried
// on the built tool (tst_cli_on_pty).
void TestCliFiles::a_fifo_is_read_like_a_file()
{
#ifndef Q_OS_UNIX
    QSKIP("FIFOs are a Unix thing");
#else
    const QString path = m_dir.filePath(QStringLiteral("set.fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const QByteArray content = set_values().join("\n");
    // A writer's open without waiting succeeds only once a reader has it.
    std::thread writer([&] {
        for (int tries = 0; tries < 3000; ++tries) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::fcntl(fd, F_SETFL, 0);
                (void)!::write(fd, content.constData(), size_t(content.size()));
                ::close(fd);
                return;
            }
            ::usleep(10'000);
        }
    });
    Cli cli;

    const int exitCode = cli.run("load --simulate " + path);
    writer.join();

    QCOMPARE(exitCode, 0);
    QCOMPARE(cli.wire(), writes_of(set_values()));
#endif
}

void TestCliFiles::command_line_edges_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // on stdout, or stderr after a failure
    QTest::newRow("--port twice") << "read --port COM5 --port COM6" << 1 << "--port is given more than once";
    QTest::newRow("--log twice") << "program-otp --yes --simulate --log a.jsonl --log b.jsonl" << 1
                                 << "--log is given more than once";
    QTest::newRow("--a0 twice, the same") << "read --simulate --a0 1 --a0 1" << 1 << "--a0 is given more than once";
    QTest::newRow("--help-all, listed by --help") << "--help-all" << 0 << "program-otp [FILE] --yes";
}

void TestCliFiles::command_line_edges()
{
    QFETCH(QString, commandLine);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    Cli cli;

    QCOMPARE(cli.run(commandLine), exitCode);

    QVERIFY2((exitCode == 0 ? cli.out : cli.err).contains(said), qPrintable(cli.out + cli.err));
    QCOMPARE(cli.recorder, nullptr);
}

QTEST_GUILESS_MAIN(TestCliFiles)
#include "tst_cli_files.moc"
