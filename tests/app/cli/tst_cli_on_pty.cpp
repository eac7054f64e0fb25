#include "support/golden_bus_text.h"
#include "support/line_trace_decoder.h"
#include "support/pseudo_terminal.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zrx;

namespace {

// A frame of the channel write: 4 line writes for the START, 6 for each of
// the 32 bit cells and 4 acknowledge clocks, 6 for the STOP; and the tool's
// DSR reads, one in each acknowledge clock and one after the STOP.
constexpr int ChannelWriteRequests = 231;
// Opening the port releases DTR and RTS.
const QByteArray OpeningRequests = "dr";

// The Windows build of the tool under Wine, when check-windows.sh runs these
// tests: ZRX_WINE_CLI names the program, ZRX_WINE_RUN Wine's runner, and
// COM1 of Wine's folder leads to the test's pty through the link
// ZRX_WINE_COM1. The modem-line requests then go through Wine's serial
// driver, made in the tool's own process, where the preload answers them.
struct WineTool {
    QString program = qEnvironmentVariable("ZRX_WINE_CLI");
    QString runner = qEnvironmentVariable("ZRX_WINE_RUN");
    QString com1Link = qEnvironmentVariable("ZRX_WINE_COM1");
    bool active() const { return !program.isEmpty(); }
};

// What the tool is told to open to reach `pty`.
QString port_of(const PseudoTerminal &pty)
{
    const WineTool wine;
    if (!wine.active())
        return pty.slave();
    QFile::remove(wine.com1Link);
    if (!QFile::link(pty.slave(), wine.com1Link))
        qFatal("cannot point %s at the pty", qPrintable(wine.com1Link));
    return QStringLiteral("COM1");
}

// A Unix signal reaches a program under Wine as no console event the tool
// could catch, and its files would need Windows paths: these tests are for
// the Linux build alone.
#define SKIP_UNDER_WINE()                                                                          \
    if (WineTool().active())                                                                       \
        QSKIP("not under Wine: a Unix signal is no Windows console event")

// The built tool as a child process on the real serial backend. The pty has
// no modem lines; the preloaded library answers for them and logs every
// request, one character each.
class CliProcess {
public:
    // `chip`: a chip behind the port acknowledges every byte.
    explicit CliProcess(const QString &logPath, bool chip = true)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ZRX_FAKE_MODEM_LIBRARY));
        environment.insert(QStringLiteral("ZRX_FAKE_MODEM_LOG"), logPath);
        environment.insert(QStringLiteral("ZRX_FAKE_MODEM_ACK"), chip ? QStringLiteral("1") : QStringLiteral("0"));
        // A sanitized build wants its runtime first; the preload comes first.
        const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("verify_asan_link_order=0"));
        process.setProcessEnvironment(environment);
    }
    ~CliProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    void start(const QString &commandLine)
    {
        const WineTool wine;
        if (wine.active())
            process.start(wine.runner, QStringList{wine.program} + QProcess::splitCommand(commandLine));
        else
            process.start(QStringLiteral(ZRX_CLI_PROGRAM), QProcess::splitCommand(commandLine));
    }

    QProcess process;
};

// Wine's serial driver sets a line by reading the lines (TIOCMGET) and
// setting them all (TIOCMSET): each such pair becomes the one line write it
// stands for, and a pair that changes nothing, no operation at all.
QByteArray line_writes_of_wine(const QByteArray &log)
{
    QByteArray writes;
    int levels = 0; // 1: DTR asserted, 2: RTS asserted; both released at first
    for (qsizetype i = 0; i < log.size(); ++i) {
        if ((log[i] == 'S' || log[i] == 's') && log.mid(i + 1, 1) == "M")
            continue;
        if (log[i] != 'M' || i + 1 >= log.size()) {
            writes += log[i];
            continue;
        }
        const int set = log[++i] - '0';
        if ((set ^ levels) & 1)
            writes += set & 1 ? 'D' : 'd';
        if ((set ^ levels) & 2)
            writes += set & 2 ? 'R' : 'r';
        levels = set;
    }
    return writes;
}

// The log read as the line operations that reached the port.
LineTrace trace_of(const QByteArray &log)
{
    LineTrace trace;
    for (const char c : log) {
        switch (c) {
        case 'D':
        case 'd':
            trace << LineOperation::dtr(c == 'D');
            break;
        case 'R':
        case 'r':
            trace << LineOperation::rts(c == 'R');
            break;
        case 'S':
        case 's':
            trace << LineOperation::dsr(c == 's');
            break;
        default:
            trace << LineOperation{LineOperation::Kind::Output, false, 0, QByteArray("!unexpected ") + c};
        }
    }
    return trace;
}

QByteArray read_file(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCliOnPty : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void wire_is_the_windows_data();
    void wire_is_the_windows();
    void interrupt_ends_a_batch_with_the_bus_idle();
    void signal_ends_the_wait_for_a_fifo();

private:
    QTemporaryDir m_dir;
};

void TestCliOnPty::wire_is_the_windows_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("error");
    QTest::newRow("write") << "write c2 code:0x2A7" << 0 << QStringList{channel_write(20, 0x2A7)} << "";
    QTest::newRow("reset") << "reset" << 0 << QStringList{general_call_reset_text()} << "";
    QTest::newRow("read: every word FFFF")
        << "read --a0 1" << 4 << read_back(QList<int>(24, 0xFFFF), 0xFFFF, 1)
        << "No answer from the chip at address EAh (A0 = 1)";
    // Nobody pulls the data line low in the ninth clocks.
    QTest::newRow("write: no chip") << "write c2 code:0x2A7" << 4 << QStringList{"S E8 N 13 N 82 N A7 N P"}
                                    << "No chip acknowledged at E8h (A0 = 0)";
}

void TestCliOnPty::wire_is_the_windows()
{
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QStringList, expected);
    QFETCH(QString, error);
    PseudoTerminal pty;
    QVERIFY(!pty.slave().isEmpty());
    const QString log = m_dir.filePath(QStringLiteral("%1.log").arg(QTest::currentDataTag()));
    CliProcess cli(log, !QByteArray(QTest::currentDataTag()).endsWith("no chip"));

    cli.start(command + " --port " + port_of(pty));
    QVERIFY(cli.process.waitForFinished(60'000));

    QCOMPARE(cli.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.process.exitCode(), exitCode);
    QByteArray requests = read_file(log);
    if (WineTool().active())
        requests = line_writes_of_wine(requests);
    else
        QVERIFY(requests.startsWith(OpeningRequests));
    QCOMPARE(decode_transactions(trace_of(requests)), expected);
    QVERIFY(lines_released_at_end(trace_of(requests)));
    QCOMPARE(QString::fromUtf8(cli.process.readAllStandardError()).contains(error), true);
}

// SIGINT lands wherever the batch happens to be, back-to-back files with no
// pause: the tool finishes the frame it is on and ends with success, the
// lines released, every frame whole.
void TestCliOnPty::interrupt_ends_a_batch_with_the_bus_idle()
{
    SKIP_UNDER_WINE();
    const QString set = m_dir.filePath(QStringLiteral("set.csv"));
    QFile file(set);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("10\r\n" + QByteArray("512\r\n").repeated(24));
    file.close();
    PseudoTerminal pty;
    const QString log = m_dir.filePath(QStringLiteral("batch.log"));
    CliProcess cli(log);

    cli.start("batch --cycles 0 --delay 0 " + set + " --port " + pty.slave());
    QCOMPARE(pty.read_master(4, 30'000).left(4), QByteArray("\x01\x00\x00\x00", 4));
    ::kill(pid_t(cli.process.processId()), SIGINT);
    // The markers keep coming until the stop; the far end takes them all.
    while (!cli.process.waitForFinished(10))
        pty.read_master(4096, 0);

    QCOMPARE(cli.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.process.exitCode(), 0);
    const QByteArray requests = read_file(log);
    const qsizetype frames = (requests.size() - OpeningRequests.size()) / ChannelWriteRequests;
    QVERIFY(frames >= 24);
    QCOMPARE(requests.size(), OpeningRequests.size() + frames * ChannelWriteRequests);
    const QStringList wire = decode_transactions(trace_of(requests));
    QCOMPARE(channel_writes_of(wire), wire);
    QVERIFY(lines_released_at_end(trace_of(requests)));
    QVERIFY(cli.process.readAllStandardOutput().contains(QByteArray("Stopped after ") + QByteArray::number(frames / 24)));
}

// `load` of a FIFO that a writer holds open but never writes to: the tool
// waits for the set, and SIGTERM ends the wait with exit 5, the port never
// opened.
void TestCliOnPty::signal_ends_the_wait_for_a_fifo()
{
    SKIP_UNDER_WINE();
    const QByteArray fifo = QFile::encodeName(m_dir.filePath(QStringLiteral("set.fifo")));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    PseudoTerminal pty;
    const QString log = m_dir.filePath(QStringLiteral("fifo.log"));
    CliProcess cli(log);

    cli.start("load " + QFile::decodeName(fifo) + " --port " + pty.slave());
    // A writer's open without waiting succeeds only once the tool reads.
    int writer = -1;
    for (int tries = 0; writer < 0 && tries < 3000; ++tries) {
        writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (writer < 0)
            ::usleep(10'000);
    }
    QVERIFY(writer >= 0);
    ::kill(pid_t(cli.process.processId()), SIGTERM);
    const bool ended = cli.process.waitForFinished(30'000);
    ::close(writer);

    QVERIFY2(ended, "SIGTERM did not end the wait for the FIFO");
    QCOMPARE(cli.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.process.exitCode(), 5);
    QVERIFY(cli.process.readAllStandardError().contains("Stopped by SIGTERM while " + fifo + " was read"));
    QCOMPARE(read_file(log), QByteArray());
}

QTEST_GUILESS_MAIN(TestCliOnPty)
#include "tst_cli_on_pty.moc"
