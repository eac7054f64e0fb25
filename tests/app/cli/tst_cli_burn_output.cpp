#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Codes 0x155 on every channel.
QString write_set(const QTemporaryDir &dir)
{
    QFile file(dir.filePath(QStringLiteral("set.csv")));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("10\n");
    for (int channel = 1; channel <= 24; ++channel)
        file.write("341\n");
    return file.fileName();
}

} // namespace

// The built tool on the simulated board, its stdout somewhere that takes
// nothing, its log watched through a preload that sees each write() and
// fsync() on it.
class TestCliBurnOutput : public QObject {
    Q_OBJECT
private slots:
    void burn_outlives_its_output_data();
    void burn_outlives_its_output();
};

void TestCliBurnOutput::burn_outlives_its_output_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("options");
    QTest::newRow("a reader gone away (SIGPIPE)") << "gone" << "";
    QTest::newRow("a reader gone away, JSON") << "gone" << "--json";
    QTest::newRow("/dev/full, JSON") << "full" << "--json";
    QTest::newRow("closed (>&-)") << "closed" << "";
}

void TestCliBurnOutput::burn_outlives_its_output()
{
    QFETCH(QString, output);
    QFETCH(QString, options);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString set = write_set(dir);
    const QString log = QFileInfo(dir.filePath(QStringLiteral("burns.jsonl"))).absoluteFilePath();
    const QString trace = dir.filePath(QStringLiteral("calls"));
    int pipeEnds[2] = {-1, -1};
    QVERIFY(::pipe(pipeEnds) == 0);
    ::close(pipeEnds[0]); // the reader, gone before the tool writes
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ZRX_FAKE_SYNC_LIBRARY));
    environment.insert(QStringLiteral("ZRX_FAKE_SYNC_PATH"), log);
    environment.insert(QStringLiteral("ZRX_FAKE_SYNC_TRACE"), trace);
    // A sanitized build wants its runtime first; the preload comes first.
    const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("verify_asan_link_order=0"));
    tool.setProcessEnvironment(environment);
    tool.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    // After QProcess has set up the channels, before the tool starts.
    const int writeEnd = pipeEnds[1];
    const char where = output.at(0).toLatin1();
    tool.setChildProcessModifier([writeEnd, where] {
        if (where == 'c')
            ::close(STDOUT_FILENO);
        else if (where == 'g')
            ::dup2(writeEnd, STDOUT_FILENO);
        else if (where == 'f')
            ::dup2(::open("/dev/full", O_WRONLY), STDOUT_FILENO);
    });

    tool.start(QStringLiteral(ZRX_CLI_PROGRAM),
               QProcess::splitCommand("--simulate program-otp --yes --log " + log + " " + options + " " + set));
    QVERIFY(tool.waitForFinished(60'000));
    ::close(pipeEnds[1]);

    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 6);
    QVERIFY(tool.readAllStandardError().contains("the output could not be written in full"));
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    const QJsonObject attempt = QJsonDocument::fromJson(lines[0]).object();
    const QJsonObject result = QJsonDocument::fromJson(lines[1]).object();
    QCOMPARE(attempt.value("record").toString(), QStringLiteral("attempt"));
    QCOMPARE(result.value("id"), attempt.value("id"));
    QCOMPARE(result.value("result").toString(), QStringLiteral("verified"));
    // The check's sync, then each record: one write, then its sync.
    QFile calls(trace);
    QVERIFY(calls.open(QIODevice::ReadOnly));
    QCOMPARE(calls.readAll(), QByteArray("swsws"));
}

QTEST_GUILESS_MAIN(TestCliBurnOutput)
#include "tst_cli_burn_output.moc"
