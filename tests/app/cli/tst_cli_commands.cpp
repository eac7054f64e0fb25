#include "cli_runner.h"

#include "sim/simulated_board.h"
#include "support/golden_bus_text.h"
#include "support/line_trace_decoder.h"
#include "support/recording_serial_control.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace zrx;

namespace {

// The tool in-process on the simulated board, with a recorder in front of the
// board so the wire can be decoded. `ports` is only ever run with --simulate.
struct Cli {
    SimulatedBoard board;
    RecordingSerialControl *recorder = nullptr; // the runner's, kept after a run
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
    CliRunner runner{outStream, errStream,
                     [this](const PortChoice &) {
                         auto control = std::make_unique<RecordingSerialControl>();
                         control->forward_to(&board);
                         recorder = control.get();
                         return control;
                     },
                     [] { return QList<PortListing>{}; }};

    int run(const QString &commandLine)
    {
        return runner.run(QStringList{QStringLiteral("zrx50346-cli")} + QProcess::splitCommand(commandLine));
    }
    LineTrace trace() const { return recorder ? recorder->trace() : LineTrace{}; }
    QStringList wire() const { return decode_transactions(trace()); }
};

QList<int> some_codes()
{
    QList<int> codes;
    for (int i = 0; i < 24; ++i)
        codes << (i * 43 + 7) % 1024;
    return codes;
}

QString write_set(const QTemporaryDir &dir, const QString &name, const QList<int> &codes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("10\r\n");
    for (const int code : codes)
        file.write(QByteArray::number(code) + "\r\n");
    return file.fileName();
}

QStringList writes_of(const QList<int> &codes)
{
    QStringList text;
    for (int channel = 1; channel <= 24; ++channel)
        text << channel_write(channel, codes[channel - 1]);
    return text;
}

QStringList otp_writes_of(const QList<int> &codes)
{
    QStringList text;
    for (int channel = 1; channel <= 24; ++channel)
        text << otp_write(channel, codes[channel - 1]);
    return text;
}

const QString Marker = QStringLiteral("TX[01 00 00 00]");

} // namespace

class TestCliCommands : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void wire_is_the_windows_data();
    void wire_is_the_windows();
    void failures_data();
    void failures();
    void json_output();
    void stop_request_ends_a_batch_between_files();

private:
    QTemporaryDir m_dir;
};

void TestCliCommands::wire_is_the_windows_data()
{
    const QList<int> chip = some_codes();
    QList<int> file = chip;
    std::reverse(file.begin(), file.end());
    const QString set = write_set(m_dir, QStringLiteral("set.csv"), file);
    const QString zero = write_set(m_dir, QStringLiteral("zero.csv"), QList<int>(24, 0));

    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("a0");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("write c1 by code") << "write c1 code:0x233" << 0 << QStringList{channel_write(19, 0x233)};
    QTest::newRow("write label 19 is channel 21, A0 = 1")
        << "write 19 code:1023 --a0 1" << 1 << QStringList{channel_write(21, 1023, 1)};
    QTest::newRow("write volts as the window converts them")
        << "write 5 5.5V --vsup 10" << 0 << QStringList{channel_write(5, 563)};
    QTest::newRow("write volts above Vsup: 1024 goes out as 1023")
        << "write 22 12 --vsup 10" << 0 << QStringList{channel_write(24, 1023)};
    QTest::newRow("read, nothing written") << "read" << 0 << read_back(chip);
    QTest::newRow("reset") << "reset" << 0 << QStringList{general_call_reset_text()};
    QTest::newRow("load, each channel once") << "load " + set << 0 << writes_of(file);
    QTest::newRow("load --verify") << "load --verify " + set << 0 << writes_of(file) + read_back(file);
    QTest::newRow("program-otp of the chip's codes")
        << "program-otp --yes" << 0
        << read_back(chip) + otp_writes_of(chip) + QStringList{general_call_reset_text()} + register_read(0x3F, 1);
    QTest::newRow("program-otp of a file")
        << "program-otp --yes " + set << 0
        << writes_of(file) + otp_writes_of(file) + QStringList{general_call_reset_text()} + register_read(0x3F, 1);
    const QStringList cycle = writes_of(file) + QStringList{Marker} + writes_of(QList<int>(24, 0)) + QStringList{Marker};
    QTest::newRow("batch, two files, two cycles")
        << QStringLiteral("batch %1 %2 --delay 0 --cycles 2").arg(set, zero) << 0 << cycle + cycle;
}

// The same operation puts the same bytes on the wire as the window, and the
// port ends closed with both lines released.
void TestCliCommands::wire_is_the_windows()
{
    QFETCH(QString, commandLine);
    QFETCH(int, a0);
    QFETCH(QStringList, expected);
    Cli cli;
    cli.board.chip().set_a0_strap(a0);
    const QList<int> chip = some_codes();
    for (int i = 0; i < chip.size(); ++i)
        cli.board.chip().set_register_word(i, quint16(chip[i]));

    QCOMPARE(cli.run(commandLine + " --simulate"), 0);

    QCOMPARE(cli.wire(), expected);
    QVERIFY(lines_released_at_end(cli.trace()));
    QCOMPARE(cli.trace().last().kind, LineOperation::Kind::Close);
    QVERIFY(cli.err.isEmpty());
}

void TestCliCommands::failures_data()
{
    const QString shortSet = m_dir.filePath(QStringLiteral("short.csv"));
    QFile file(shortSet);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("10\r\n1\r\n2\r\n");
    file.close();

    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("board"); // what is wrong with it
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("transactions"); // on the wire; -1: no port is even made
    QTest::newRow("unknown channel") << "write c3 code:1 --simulate" << "" << 1 << "Unknown channel \"c3\"" << -1;
    QTest::newRow("volts without --vsup") << "write 1 2.5V --simulate" << "" << 1 << "Volts need --vsup" << -1;
    QTest::newRow("code out of range") << "write 1 code:1024 --simulate" << "" << 1 << "codes are 0..1023" << -1;
    QTest::newRow("program-otp without --yes sends nothing")
        << "program-otp --simulate" << "" << 1 << "add --yes" << -1;
    QTest::newRow("no permission")
        << "read --port COM3" << "refused" << 2
        << "COM3 (/dev/ttyS2) could not be opened: permission denied (on Linux, add your user to the dialout group)"
        << 0;
    QTest::newRow("a device path is named by its path")
        << "read --port /dev/pts/77" << "refused" << 2 << "/dev/pts/77 could not be opened: permission denied" << 0;
    QTest::newRow("in use") << "reset --port COM5" << "held" << 2 << "COM5 (/dev/ttyUSB0) is in use by another program"
                            << 0;
    QTest::newRow("missing file") << "load --simulate " + m_dir.filePath(QStringLiteral("none.csv")) << "" << 3
                                  << "Cannot open" << -1;
    QTest::newRow("short file") << "load --simulate " + shortSet << "" << 3
                                << "holds only 3 of the 25 values of a channel set" << -1;
    // The words after the loss read FFFF: the port is to blame, not the chip.
    QTest::newRow("lost port") << "read --port COM5" << "lost" << 2 << "COM5 (/dev/ttyUSB0) was disconnected" << 50;
    QTest::newRow("no chip") << "read --simulate" << "absent" << 4
                             << "No answer from the chip at address E8h (A0 = 0)" << 50;
    QTest::newRow("no chip: nothing burned") << "program-otp --yes --simulate" << "absent" << 4
                                             << "No answer from the chip at address E8h (A0 = 0)" << 50;
}

// Every failure says why on stderr, and the same as JSON on stdout.
void TestCliCommands::failures()
{
    QFETCH(QString, commandLine);
    QFETCH(QString, board);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(int, transactions);
    Cli cli;
    cli.board.set_refused_ports(board == QLatin1String("refused") ? QSet<int>{1, 3} : QSet<int>{});
    cli.board.set_held_ports(board == QLatin1String("held") ? QSet<int>{5} : QSet<int>{});
    cli.board.chip().set_present(board != QLatin1String("absent"));
    if (board == QLatin1String("lost"))
        cli.board.lose_port_after(200);

    QCOMPARE(cli.run(commandLine + " --json"), code);

    QVERIFY2(cli.err.contains(message), qPrintable(cli.err));
    const QJsonObject error = QJsonDocument::fromJson(cli.out.toUtf8()).object().value("error").toObject();
    QCOMPARE(error.value("code").toInt(), code);
    QVERIFY2(cli.err.contains(error.value("message").toString()), qPrintable(cli.out));
    if (transactions < 0) {
        QCOMPARE(cli.recorder, nullptr);
        return;
    }
    QCOMPARE(cli.wire().size(), transactions);
    QVERIFY(lines_released_at_end(cli.trace()));
}

void TestCliCommands::json_output()
{
    Cli cli;
    cli.board.chip().set_register_word(0x12, 0x200);
    QCOMPARE(cli.run("read --simulate --json --vsup 10"), 0);
    const QJsonObject read = QJsonDocument::fromJson(cli.out.toUtf8()).object();
    const QJsonObject c1 = read.value("channels").toArray().at(18).toObject();
    QCOMPARE(c1.value("label").toString(), QStringLiteral("c1"));
    QCOMPARE(c1.value("register").toInt(), 0x12);
    QCOMPARE(c1.value("code").toInt(), 0x200);
    QCOMPARE(c1.value("volts").toDouble(), 5.0);
    QCOMPARE(read.value("maxBank").toInt(), 0);

    Cli ports;
    QCOMPARE(ports.run("ports --simulate --json"), 0);
    const QJsonArray listed = QJsonDocument::fromJson(ports.out.toUtf8()).object().value("ports").toArray();
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed.at(0).toObject().value("port").toString(), QStringLiteral("COM1"));
    QVERIFY(listed.at(0).toObject().value("free").toBool());
}

// Ctrl+C in the middle of a batch that would run for ever, with a pause far
// longer than the test: the run ends at once, after whole files only, with
// the bus idle and the port closed, and counts as done.
void TestCliCommands::stop_request_ends_a_batch_between_files()
{
    const QString set = write_set(m_dir, QStringLiteral("set.csv"), some_codes());
    Cli cli;
    QTimer::singleShot(100, [] { std::raise(SIGINT); });
    QElapsedTimer clock;
    clock.start();

    QCOMPARE(cli.run("batch --simulate --cycles 0 --delay 100 " + set), 0);

    QVERIFY(clock.elapsed() < 50'000);
    QCOMPARE(cli.wire(), writes_of(some_codes()) + QStringList{Marker});
    QVERIFY(lines_released_at_end(cli.trace()));
    QCOMPARE(cli.trace().last().kind, LineOperation::Kind::Close);
    QVERIFY(!cli.board.is_open());
    QVERIFY(cli.out.contains("Stopped after 1 files"));
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_cli_commands.moc"
