#include <QProcess>
#include <QTest>

// --help and --version answer and end the program before it scans a port or
// opens a window; anything else unknown is still refused.
class TestWindowOptions : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
};

void TestWindowOptions::answers_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected"); // on stdout for an answer, stderr for a refusal
    QTest::newRow("--help") << "--help" << 0 << "--simulate";
    QTest::newRow("--help-all") << "--help-all" << 0 << "--simulate";
    QTest::newRow("--version") << "--version" << 0 << "ZRX50346 1.0.3";
    QTest::newRow("unknown") << "--simulat" << 1 << "Unknown option 'simulat'";
}

void TestWindowOptions::answers()
{
    QFETCH(QString, option);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);
    QProcess program;
    program.start(QStringLiteral(ZRX_WINDOW_PROGRAM), {option});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString said = QString::fromUtf8(exitCode == 0 ? program.readAllStandardOutput()
                                                         : program.readAllStandardError());
    QVERIFY2(said.contains(expected), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestWindowOptions)
#include "tst_window_options.moc"
