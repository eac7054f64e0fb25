// The tool takes a channel-set file only as it was surely meant, and reads a
// pipe as a file; every refusal comes before a port is made.
#include "cli_in_process.h"
#include "pipe_input.h"

#include "support/golden_bus_text.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace zrx;

namespace {

// "10", then the codes 100, 140, 180, ... of channels 1..24, each with CR LF;
// line `line` holds `value` instead.
QByteArray set_with(int line = 0, const QByteArray &value = {})
{
    QByteArrayList values{"10"};
    for (int channel = 1; channel <= 24; ++channel)
        values << QByteArray::number(60 + 40 * channel);
    if (line > 0)
        values[line - 1] = value;
    return values.join("\r\n") + "\r\n";
}

} // namespace

class TestCliFiles : public QObject {
    Q_OBJECT
private slots:
    void bad_files_are_refused_before_the_port_opens_data();
    void bad_files_are_refused_before_the_port_opens();
    void a_pipe_is_read_like_a_file();
    void a_pipe_is_read_up_to_its_limit_data();
    void a_pipe_is_read_up_to_its_limit();

private:
    QTemporaryDir m_dir;
};

void TestCliFiles::bad_files_are_refused_before_the_port_opens_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message"); // %1: the file's path
    const auto row = [](const char *name, const char *command, const QByteArray &content, const QString &message) {
        QTest::newRow(name) << command << content << message;
    };
    row("0x3FF, with a hint", "load", set_with(4, "0x3FF"),
        R"(Value 4 on line 4 of %1 ("0x3FF") is not a number: write "&H3FF" for a hexadecimal code)");
    row("12abc", "program-otp --yes", set_with(2, "12abc"), R"(Value 2 on line 2 of %1 ("12abc") is not a number)");
    row("1.5.5, the reference", "load", set_with(1, "1.5.5"), R"(Value 1 on line 1 of %1 ("1.5.5") is not)");
    row("512 513", "load", set_with(9, " 512 513 "), R"(Value 9 on line 9 of %1 ("512 513") is not)");
    row("an escape sequence as ?", "load", set_with(3, "\x1b[2J5"), R"(line 3 of %1 ("?[2J5") is not a number)");
    row("UTF-8 as written", "load", set_with(3, "\xc3\xa4"), QString::fromUtf8(R"(line 3 of %1 ("ä") is not)"));
    row("1,000 shifts the channels", "program-otp --yes", set_with(6, "1,000"),
        "%1 holds more than the 25 values of a channel set: a 26th begins on line 25 (line 6 holds more than one "
        "value: a comma ends a value)");
    row("24 values", "load", set_with(25, ""), "%1 holds only 24 of the 25 values");
    row("26 values", "load", set_with(25, "100\r\n7"),
        "%1 holds more than the 25 values of a channel set: a 26th begins on line 26");
    row("code -1", "load", set_with(2, "-1"), "Line 2 of %1 holds the code -1: channel codes are 0..1024");
    row("code 1025", "program-otp --yes", set_with(25, "1025"), "Line 25 of %1 holds the code 1025");
    row("a folder", "load", {}, "Cannot read %1: is a folder");
#ifdef Q_OS_UNIX
    row("a device", "program-otp --yes", {}, "Cannot read %1: is not a regular file");
#endif
}

// Exit 3, the line and the value named, and no port made: nothing sent.
void TestCliFiles::bad_files_are_refused_before_the_port_opens()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    // Without content: the folder for load, a device for the others.
    QString path = command.startsWith("load") ? m_dir.path() : QStringLiteral("/dev/null");
    if (!content.isEmpty()) {
        QFile file(m_dir.filePath(QStringLiteral("bad.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size());
        path = file.fileName();
    }
    Cli cli;

    QCOMPARE(cli.run(command + " --simulate " + path), 3);

    QVERIFY2(cli.err.contains(message.arg(QDir::toNativeSeparators(path))), qPrintable(cli.err));
    QVERIFY(!cli.err.contains(QChar(0x1b)));
    QCOMPARE(cli.recorder, nullptr);
}

// A pipe, as bash's <(...) hands it over, is read to its end and loaded. (A
// signal that ends the wait for a writer: tst_cli_on_pty.)
void TestCliFiles::a_pipe_is_read_like_a_file()
{
#ifndef Q_OS_LINUX
    QSKIP("a pipe as /dev/fd/N is a Linux thing");
#else
    int ends[2];
    QCOMPARE(::pipe(ends), 0);
    const QByteArray content = set_with();
    QCOMPARE(::write(ends[1], content.constData(), size_t(content.size())), ssize_t(content.size()));
    ::close(ends[1]);
    Cli cli;
    const int exitCode = cli.run(QStringLiteral("load --simulate /dev/fd/%1").arg(ends[0]));
    ::close(ends[0]);

    QCOMPARE(exitCode, 0);
    QCOMPARE(cli.wire().size(), 24);
    QCOMPARE(cli.wire().last(), channel_write(24, 1020));
#endif
}

void TestCliFiles::a_pipe_is_read_up_to_its_limit_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("tooLong");
    QTest::newRow("at the limit") << 5000 << false;
    QTest::newRow("a byte past it") << 5001 << true;
}

// Past its limit a pipe is refused, the bytes read so far kept for the
// reader (whose own reason comes first: no channel set reaches the tool's
// 256 KiB, so its limit shows only here).
void TestCliFiles::a_pipe_is_read_up_to_its_limit()
{
#ifndef Q_OS_LINUX
    QSKIP("a pipe as /dev/fd/N is a Linux thing");
#else
    QFETCH(int, size);
    QFETCH(bool, tooLong);
    int ends[2];
    QCOMPARE(::pipe(ends), 0);
    const QByteArray content(size, '7');
    QCOMPARE(::write(ends[1], content.constData(), size_t(size)), ssize_t(size));
    ::close(ends[1]);
    const PipeInput input = read_pipe(QStringLiteral("/dev/fd/%1").arg(ends[0]), 5000, [] { return false; });
    ::close(ends[0]);

    QCOMPARE(input.tooLong, tooLong);
    QCOMPARE(input.error.isEmpty(), !tooLong);
    QCOMPARE(input.bytes.left(5000), content.left(5000));
    QVERIFY(!input.stopped);
#endif
}

QTEST_GUILESS_MAIN(TestCliFiles)
#include "tst_cli_files.moc"
