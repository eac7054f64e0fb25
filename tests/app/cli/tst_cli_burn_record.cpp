#include "cli_in_process.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace zrx;

namespace {

// Output that takes nothing: a full disk or a reader gone away.
class RefusingOutput : public QIODevice {
public:
    RefusingOutput() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override { return -1; }
};

// `action` after `operations` line operations of the run's port.
void act_after(Cli &cli, int operations, std::function<void()> action)
{
    cli.recorder_ready = [=](RecordingSerialControl &recorder) { recorder.act_after(operations, action); };
}

// The line operations of the first `count` transactions of a trace.
int operations_of_first(const LineTrace &trace, int count)
{
    int operations = 0;
    for (const LineTrace &piece : split_transactions(trace).mid(0, count))
        operations += count_line_writes(piece) + count_dsr_reads(piece);
    return operations;
}

QList<QJsonObject> log_lines(const QString &path)
{
    QFile file(path);
    QList<QJsonObject> lines;
    for (const QByteArray &line : file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>{})
        if (!line.isEmpty())
            lines << QJsonDocument::fromJson(line).object();
    return lines;
}

// Codes 0x155 on every channel but the last, 1023 there: the file's full
// scale 1024 is burned, and logged, as 1023.
QString write_set(const QTemporaryDir &dir)
{
    QFile file(dir.filePath(QStringLiteral("set.csv")));
    return file.open(QIODevice::WriteOnly) && file.write("10\n" + QByteArray("341\n").repeated(23) + "1024\n") > 0
               ? file.fileName()
               : QString();
}

QJsonArray file_codes()
{
    QJsonArray codes;
    for (int channel = 1; channel < 24; ++channel)
        codes.append(341);
    codes.append(1023);
    return codes;
}

int warnings = 0;
void count_warnings(QtMsgType type, const QMessageLogContext &, const QString &)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        ++warnings;
}

} // namespace

class TestCliBurnRecord : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void logs_refused_before_the_port_opens_data();
    void logs_refused_before_the_port_opens();
    void refusals_are_logged_data();
    void refusals_are_logged();
    void attempt_is_on_disk_before_the_first_programming_frame();
    void attempt_that_cannot_be_written_burns_nothing();
    void lost_output_stops_nothing_data();
    void lost_output_stops_nothing();

private:
    QTemporaryDir m_dir;
};

void TestCliBurnRecord::logs_refused_before_the_port_opens_data()
{
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder") << m_dir.path() << "is a folder";
#ifdef Q_OS_UNIX
    const QString special = QStringLiteral("is not a regular file (a device, FIFO or socket)");
    QTest::newRow("/dev/null") << "/dev/null" << special;
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QTest::newRow("a FIFO, which would wait for a reader") << fifo << special;
#endif
#ifdef Q_OS_LINUX
    // Opens for writing as root, but takes no sync.
    QTest::newRow("/proc/version") << "/proc/version"
                                   << (::access("/proc/version", W_OK) == 0 ? "the system could not put it on the disk"
                                                                            : "Permission denied");
#endif
}

// Nothing opened, nothing sent, and none of Qt's complaints on stderr.
void TestCliBurnRecord::logs_refused_before_the_port_opens()
{
    QFETCH(QString, log);
    QFETCH(QString, reason);
    Cli burner;
    warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(count_warnings);

    const int code = burner.run("--simulate program-otp --yes --log " + log);

    qInstallMessageHandler(previous);
    QCOMPARE(code, 3);
    QCOMPARE(burner.recorder, nullptr);
    QVERIFY2(burner.err.contains("Cannot append to " + QDir::toNativeSeparators(log) + ": " + reason),
             qPrintable(burner.err));
    QCOMPARE(warnings, 0);
}

void TestCliBurnRecord::refusals_are_logged_data()
{
    const QString set = write_set(m_dir);
    Cli clean;
    QCOMPARE(clean.run("--simulate program-otp --yes " + set), 0);
    const LineTrace burn = clean.trace();
    Cli cleanRead;
    QCOMPARE(cleanRead.run("--simulate read"), 0);

    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("chipPresent");
    QTest::addColumn<int>("signalAfter"); // line operations before SIGTERM; -1: none
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("transactions"); // on the wire, none of them a programming frame
    QTest::addColumn<QJsonValue>("codes");
    QTest::newRow("without --yes") << "program-otp " + set << true << -1 << 1 << -1 << QJsonValue();
    // The first channel frame goes unacknowledged, and nothing follows it.
    QTest::newRow("FILE into a silent chip: the file's codes")
        << "program-otp --yes " + set << false << -1 << 4 << 1 << QJsonValue(file_codes());
    // 24 channel frames, then Max Bank: a pointer write and a two-byte read.
    QTest::newRow("a signal while Max Bank is read after FILE")
        << "program-otp --yes " + set << true << operations_of_first(burn, 25) + 20 << 5 << 26
        << QJsonValue(file_codes());
    // The chip's own codes, read before the signal is looked at.
    const LineTrace reads = cleanRead.trace();
    QTest::newRow("a signal during the chip's read-back, in its last register")
        << "program-otp --yes" << true << operations_of_first(reads, 49) + 20 << 5 << 50
        << QJsonValue(QJsonArray{3, 43, 83, 123, 163, 203, 243, 283, 323, 363, 403, 443,
                                 483, 523, 563, 603, 643, 683, 723, 763, 803, 843, 883, 923});
}

// One result line, "not burned", with the codes known by then and the
// signal; no attempt, and no programming frame on the wire.
void TestCliBurnRecord::refusals_are_logged()
{
    QFETCH(QString, commandLine);
    QFETCH(bool, chipPresent);
    QFETCH(int, signalAfter);
    QFETCH(int, code);
    QFETCH(int, transactions);
    QFETCH(QJsonValue, codes);
    const QString log = m_dir.filePath(QStringLiteral("refused.jsonl"));
    QFile::remove(log);
    Cli burner;
    for (int i = 0; i < 24; ++i)
        burner.board.chip().set_register_word(i, quint16(40 * i + 3));
    burner.board.chip().set_present(chipPresent);
    if (signalAfter >= 0)
        act_after(burner, signalAfter, [] { std::raise(SIGTERM); });

    QCOMPARE(burner.run("--simulate " + commandLine + " --log " + log), code);

    QCOMPARE(burner.wire().size(), qMax(transactions, 0));
    if (transactions < 0)
        QCOMPARE(burner.recorder, nullptr);
    const QList<QJsonObject> lines = log_lines(log);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0].value("record").toString(), QStringLiteral("result"));
    QCOMPARE(lines[0].value("result").toString(), QStringLiteral("not burned"));
    QCOMPARE(lines[0].value("exitCode").toInt(), code);
    QCOMPARE(lines[0].value("codes"), codes);
    QCOMPARE(lines[0].value("signal").toString(), signalAfter >= 0 ? QStringLiteral("SIGTERM") : QString());
}

// At the first programming frame the attempt is on the disk; a signal there
// is held through the burn, and the result that follows names it.
void TestCliBurnRecord::attempt_is_on_disk_before_the_first_programming_frame()
{
    const QString set = write_set(m_dir);
    const QString log = m_dir.filePath(QStringLiteral("burns.jsonl"));
    Cli clean;
    QCOMPARE(clean.run("--simulate program-otp --yes " + set), 0);
    Cli burner;
    QList<QJsonObject> atFirstFrame;
    act_after(burner, operations_of_first(clean.trace(), 26) + 1, [&] {
        atFirstFrame = log_lines(log);
        std::raise(SIGINT);
    });

    QCOMPARE(burner.run("--simulate program-otp --yes --log " + log + " " + set), 0);

    QCOMPARE(burner.wire(), clean.wire());
    QCOMPARE(atFirstFrame.size(), 1);
    const QJsonObject attempt = atFirstFrame[0];
    QCOMPARE(attempt.value("record").toString(), QStringLiteral("attempt"));
    QCOMPARE(attempt.value("codes"), QJsonValue(file_codes()));
    QCOMPARE(attempt.value("maxBankBefore").toInt(-1), 0);
    QCOMPARE(attempt.value("port").toString(), QStringLiteral("Simulated board"));
    QCOMPARE(attempt.value("file").toString(), set);
    QVERIFY(!attempt.value("id").toString().isEmpty());
    const QList<QJsonObject> lines = log_lines(log);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], attempt);
    QCOMPARE(lines[1].value("record").toString(), QStringLiteral("result"));
    QCOMPARE(lines[1].value("id"), attempt.value("id"));
    QCOMPARE(lines[1].value("result").toString(), QStringLiteral("verified"));
    QCOMPARE(lines[1].value("maxBankAfter").toInt(), 1);
    QCOMPARE(lines[1].value("signal").toString(), QStringLiteral("SIGINT"));
}

// The log checked at the start, then gone (a folder in its place) by the
// time the attempt is written: nothing is burned.
void TestCliBurnRecord::attempt_that_cannot_be_written_burns_nothing()
{
    const QString set = write_set(m_dir);
    const QString log = m_dir.filePath(QStringLiteral("gone.jsonl"));
    Cli burner;
    act_after(burner, 10, [&] {
        QFile::remove(log);
        QDir().mkpath(log);
    });

    QCOMPARE(burner.run("--simulate program-otp --yes --log " + log + " " + set), 3);

    QCOMPARE(burner.wire().size(), 26); // the file's 24 channels and Max Bank
    QVERIFY2(burner.err.contains("The attempt could not be recorded in " + QDir::toNativeSeparators(log)
                                 + ": is a folder; nothing was burned"),
             qPrintable(burner.err));
}

void TestCliBurnRecord::lost_output_stops_nothing_data()
{
    QTest::addColumn<bool>("chipPresent");
    QTest::addColumn<int>("code");
    QTest::newRow("read: the output lost") << true << 6;
    QTest::newRow("read of a silent chip: its 4 wins") << false << 4;
}

// stdout takes nothing: the exit code tells of it unless a failure says more.
// (A burn with its record: tst_cli_burn_output, on the built tool.)
void TestCliBurnRecord::lost_output_stops_nothing()
{
    QFETCH(bool, chipPresent);
    QFETCH(int, code);
    RefusingOutput refusing;
    Cli burner;
    burner.outStream.setDevice(&refusing);
    burner.board.chip().set_present(chipPresent);

    QCOMPARE(burner.run("--simulate read"), code);

    QCOMPARE(burner.wire().size(), 50);
    QVERIFY2(burner.err.contains(code == 6 ? "the output could not be written in full" : "No answer from the chip"),
             qPrintable(burner.err));
}

QTEST_GUILESS_MAIN(TestCliBurnRecord)
#include "tst_cli_burn_record.moc"
