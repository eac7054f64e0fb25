#include "cli_in_process.h"

#include "bus/port_names.h"
#include "device/chip_status_text.h"

#include "support/golden_bus_text.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace zrx;

namespace {

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

// The terminal's hang-up, where the system has one.
#ifdef SIGHUP
constexpr int HangUp = SIGHUP;
#else
constexpr int HangUp = SIGTERM;
#endif

// The line operations of a trace up to the middle of its transaction `index`.
int operations_into(const LineTrace &trace, int index)
{
    const QList<LineTrace> pieces = split_transactions(trace);
    const auto operations = [&pieces](int i) { return count_line_writes(pieces[i]) + count_dsr_reads(pieces[i]); };
    int count = operations(index) / 2;
    for (int i = 0; i < index; ++i)
        count += operations(i);
    return count;
}

void load_chip(Cli &cli, const QList<int> &codes)
{
    for (int i = 0; i < codes.size(); ++i)
        cli.board.chip().set_register_word(i, quint16(codes[i]));
}

QJsonObject json_of(const QString &out)
{
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

} // namespace

class TestCliCommands : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void wire_is_the_windows_data();
    void wire_is_the_windows();
    void failures_data();
    void failures();
    void bus_checks_data();
    void bus_checks();
    void json_output();
    void stop_request_ends_a_batch_between_files();
    void signals_stop_after_whole_frames_data();
    void signals_stop_after_whole_frames();
    void batch_stop_reports_what_it_finished_data();
    void batch_stop_reports_what_it_finished();
    void burns_are_checked_and_logged();
    void lost_port_names_the_channel_burned();
    void load_verify_sees_a_register_that_differs();
    void edges_of_the_command_line();

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
    QList<int> edges = file;
    edges[0] = 0;
    edges[1] = 1023;
    edges[2] = 1024; // the window's full scale
    const QString edgeSet = write_set(m_dir, QStringLiteral("edges.csv"), edges);
    edges[2] = 1023;

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
    QTest::newRow("load, codes 0, 1023 and 1024 (sent as 1023)") << "load " + edgeSet << 0 << writes_of(edges);
    const QStringList reset{general_call_reset_text()};
    QTest::newRow("program-otp of the chip's codes, checked")
        << "program-otp --yes" << 0 << read_back(chip) + otp_writes_of(chip) + reset + read_back(chip, 1);
    QTest::newRow("program-otp --no-verify: Max Bank only after the reset")
        << "program-otp --yes --no-verify" << 0
        << read_back(chip) + otp_writes_of(chip) + reset + register_read(0x3F, 1);
    QTest::newRow("program-otp of a file, Max Bank read before the burn")
        << "program-otp --yes " + set << 0
        << writes_of(file) + register_read(0x3F, 0) + otp_writes_of(file) + reset + read_back(file, 1);
    QTest::newRow("write a negative voltage: a value, not an option")
        << "write 5 -1V --vsup 10" << 0 << QStringList{channel_write(5, 0)};
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
    // Ports as this system names them: "COM3 (/dev/ttyS2)" on Linux, "COM3" on Windows.
    const PortDeviceTable devices = default_port_devices();
#ifdef Q_OS_LINUX
    const QString dialout = QStringLiteral(" (on Linux, add your user to the dialout group)");
#else
    const QString dialout;
#endif
    QTest::newRow("no permission") << "read --port COM3" << "refused" << 2
                                   << port_display_name(3, devices) + " could not be opened: permission denied" + dialout
                                   << 0;
    QTest::newRow("a device path is named by its path")
        << "read --port /dev/pts/77" << "refused" << 2 << "/dev/pts/77 could not be opened: permission denied" << 0;
    QTest::newRow("in use") << "reset --port COM5" << "held" << 2
                            << port_display_name(5, devices) + " is in use by another program" << 0;
    QList<int> wide = some_codes();
    wide[6] = 5120;
    const QString above = write_set(m_dir, QStringLiteral("above.csv"), wide);
    wide[6] = 0;
    wide[23] = -8;
    const QString below = write_set(m_dir, QStringLiteral("below.csv"), wide);
    QTest::newRow("program-otp: a negative code, nothing sent")
        << "program-otp --yes --simulate " + below << "" << 3 << "Line 25 of " + QDir::toNativeSeparators(below) + " holds the code -8" << -1;
    QTest::newRow("batch: one bad file of two, nothing sent")
        << "batch --simulate " + write_set(m_dir, QStringLiteral("good.csv"), some_codes()) + " " + above << "" << 3
        << "Line 8 of " + QDir::toNativeSeparators(above) + " holds the code 5120" << -1;
    QTest::newRow("--port twice") << "read --port COM5 --port COM6" << "" << 1 << "--port is given more than once" << -1;
    QTest::newRow("save onto a folder") << "save --vsup 10 --simulate " + m_dir.path() << "" << 3
                                        << "Cannot save " + QDir::toNativeSeparators(m_dir.path()) + ": is a folder" << -1;
#ifdef Q_OS_UNIX
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QTest::newRow("save onto a FIFO") << "save --vsup 10 --simulate " + fifo << "" << 3
                                      << "Cannot save " + fifo + ": is not a regular file" << -1;
#endif
    QTest::newRow("--vsup out of reach") << "write 1 1V --vsup 1e999 --simulate" << "" << 1 << "--vsup must be" << -1;
    QTest::newRow("missing file") << "load --simulate " + m_dir.filePath(QStringLiteral("none.csv")) << "" << 3
                                  << "Cannot open" << -1;
    QTest::newRow("short file") << "load --simulate " + shortSet << "" << 3
                                << "holds only 3 of the 25 values of a channel set" << -1;
    // The words after the loss read FFFF: the port is to blame, not the chip.
    QTest::newRow("lost port") << "read --port COM5" << "lost" << 2 << port_display_name(5, devices) + " was disconnected"
                               << 50;
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

// A transaction as the wire shows it when no chip acknowledged its bytes.
QString unanswered(QString transaction)
{
    return transaction.replace(QStringLiteral(" A "), QStringLiteral(" N "));
}

void TestCliCommands::bus_checks_data()
{
    const QList<int> file = some_codes();
    const QString set = write_set(m_dir, QStringLiteral("set.csv"), file);
    const QList<int> zeros(24, 0);
    const QStringList before = writes_of(file) + register_read(0x3F, 0);

    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("board");   // "held": DSR stuck asserted; "absent"; "leaves N": after N burns
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("wire");
    const QString held = QStringLiteral("the data line reads low while the bus is idle (DSR stays asserted): "
                                        "no board behind the port, a broken wire, or the wrong port");
    QTest::newRow("read, data line held") << "read" << "held" << 4 << held << read_back(zeros);
    QTest::newRow("program-otp, data line held: no frame") << "program-otp --yes" << "held" << 4 << held
                                                           << read_back(zeros);
    QTest::newRow("program-otp FILE, data line held: stops at the first write")
        << "program-otp --yes " + set << "held" << 4 << held + ": nothing was burned; nothing was written to the chip"
        << QStringList{channel_write(1, file[0])};
    QTest::newRow("write at EAh, chip at E8h") << "write 5 code:1 --a0 1" << "" << 4
                                               << "No chip acknowledged at EAh (A0 = 1)"
                                               << QStringList{unanswered(channel_write(5, 1, 1))};
    QTest::newRow("load at EAh stops at the first frame")
        << "load --a0 1 " + set << "" << 4 << "No chip acknowledged at EAh (A0 = 1): nothing was written to the chip"
        << QStringList{unanswered(channel_write(1, file[0], 1))};
    QTest::newRow("reset, no chip at all") << "reset" << "absent" << 4 << "No chip acknowledged the general call at 00h"
                                           << QStringList{unanswered(general_call_reset_text())};
    QTest::newRow("reset --a0 1: the chip at E8h takes the general call")
        << "reset --a0 1" << "" << 0 << "" << QStringList{general_call_reset_text()};
    const QString reset = unanswered(general_call_reset_text());
    QStringList lastLost = otp_writes_of(file);
    lastLost.last() = unanswered(lastLost.last());
    QTest::newRow("chip leaves after 23 frames: only the last unacknowledged, then the reset")
        << "program-otp --yes " + set << "leaves 23" << 4
        << "Burn failed: No chip acknowledged at E8h (A0 = 0) from programming frame 24 of 24 (register 0x17) on "
           "(acknowledged: 23 of 24 frames before it, unacknowledged: 1); the bank may hold a partial set"
        << before + lastLost + QStringList{reset};
}

// The checks read what the lines show and refuse or fail on it; the wire
// stays what it was (a refused burn has no programming frame on it).
void TestCliCommands::bus_checks()
{
    QFETCH(QString, commandLine);
    QFETCH(QString, board);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QStringList, wire);
    Cli cli;
    cli.board.hold_dsr_asserted(board == QLatin1String("held"));
    cli.board.chip().set_present(board != QLatin1String("absent"));
    if (board.startsWith(QLatin1String("leaves ")))
        cli.board.chip().leave_after_programming_frames(board.mid(7).toInt());

    QCOMPARE(cli.run(commandLine + " --simulate"), code);

    QVERIFY2(message.isEmpty() ? cli.err.isEmpty() : cli.err.contains(message), qPrintable(cli.err));
    QCOMPARE(cli.wire(), wire);
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
    const QString zero = write_set(m_dir, QStringLiteral("zero.csv"), QList<int>(24, 0));
    Cli cli;
    QTimer::singleShot(100, [] { std::raise(SIGINT); });
    QElapsedTimer clock;
    clock.start();

    QCOMPARE(cli.run("batch --simulate --cycles 0 --delay 100 " + set + " " + zero), 0);

    QVERIFY(clock.elapsed() < 50'000);
    QCOMPARE(cli.wire(), writes_of(some_codes()) + QStringList{Marker});
    QVERIFY(lines_released_at_end(cli.trace()));
    QCOMPARE(cli.trace().last().kind, LineOperation::Kind::Close);
    QVERIFY(!cli.board.is_open());
    QVERIFY(cli.out.contains("Stopped after 1 file ("));
}

// A signal raised in the middle of a transaction. Whatever it lands in, the
// wire carries whole transactions only, the lines end released, the port
// closed. load and a burn's preparation stop after the frame going out
// (exit 5, nothing burned); a burn once begun runs to its check (exit 0) and
// tells of the signal after; a batch stops without finishing its cycle.
void TestCliCommands::signals_stop_after_whole_frames_data()
{
    QList<int> file = some_codes();
    std::reverse(file.begin(), file.end());
    const QString set = write_set(m_dir, QStringLiteral("set.csv"), file);
    const QString zero = write_set(m_dir, QStringLiteral("zero.csv"), QList<int>(24, 0));

    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("stopAt"); // the transaction of the clean run it lands in
    QTest::addColumn<int>("kept");   // transactions on the wire; -1: all of the clean run
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("written"); // channelsWritten in the JSON
    QTest::newRow("load, in frame 8") << "load " + set << SIGTERM << 7 << 8 << 5 << 8;
    QTest::newRow("burn of a file, while the file goes out: nothing burned")
        << "program-otp --yes " + set << SIGINT << 5 << 6 << 5 << 6;
    QTest::newRow("burn, in frame 12: burned to the end") << "program-otp --yes" << HangUp << 61 << -1 << 0 << -1;
    QTest::newRow("batch of two files, in the first one's frame 5")
        << QStringLiteral("batch %1 %2 --delay 0 --cycles 2").arg(set, zero) << SIGINT << 4 << 5 << 0 << 5;
}

void TestCliCommands::signals_stop_after_whole_frames()
{
    QFETCH(QString, commandLine);
    QFETCH(int, signal);
    QFETCH(int, stopAt);
    QFETCH(int, kept);
    QFETCH(int, code);
    QFETCH(int, written);
    Cli clean;
    load_chip(clean, some_codes());
    QCOMPARE(clean.run(commandLine + " --simulate --json"), 0);
    const QStringList wire = clean.wire();
    Cli cli;
    load_chip(cli, some_codes());
    const int operations = operations_into(clean.trace(), stopAt);
    cli.recorder_ready = [&](RecordingSerialControl &recorder) {
        recorder.act_after(operations, [signal] { std::raise(signal); });
    };

    QCOMPARE(cli.run(commandLine + " --simulate --json"), code);

    QCOMPARE(cli.wire(), kept < 0 ? wire : wire.mid(0, kept));
    QVERIFY(lines_released_at_end(cli.trace()));
    QCOMPARE(cli.trace().last().kind, LineOperation::Kind::Close);
    const QJsonObject json = json_of(cli.out);
    const QString name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP";
    QCOMPARE(json.value("signal").toString(), name);
    if (written >= 0)
        QCOMPARE(json.value("channelsWritten").toInt(), written);
    if (code == 5) {
        QCOMPARE(json.value("error").toObject().value("code").toInt(), 5);
        QVERIFY2(cli.err.contains("Stopped by " + name), qPrintable(cli.err));
        QVERIFY(written == 0 || cli.err.contains(QStringLiteral("channels 1 to %1 of ").arg(written)));
    } else if (commandLine.startsWith("program-otp")) {
        QCOMPARE(json.value("verdict").toString(), QStringLiteral("verified"));
        QVERIFY2(cli.err.contains(name + " came during the burn"), qPrintable(cli.err));
    }
}

// Two files, two cycles, Ctrl+C in the middle of a frame: the run ends after
// it, and says how many channel frames reached the chip, how many files got
// their marker and how many whole passes over the list it made. A stop during
// the last frame of a pass leaves that pass finished, marker and all.
void TestCliCommands::batch_stop_reports_what_it_finished_data()
{
    QTest::addColumn<int>("stopAt"); // the frame of the run it lands in, from 0
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("cycles");
    QTest::newRow("first file's first frame") << 0 << 1 << 0 << 0;
    QTest::newRow("last frame of the first pass") << 47 << 48 << 2 << 1;
    QTest::newRow("second pass, second file's frame 1") << 72 << 73 << 3 << 1;
}

void TestCliCommands::batch_stop_reports_what_it_finished()
{
    QFETCH(int, stopAt);
    QFETCH(int, written);
    QFETCH(int, steps);
    QFETCH(int, cycles);
    const QString set = write_set(m_dir, QStringLiteral("set.csv"), some_codes());
    const QString zero = write_set(m_dir, QStringLiteral("zero.csv"), QList<int>(24, 0));
    const QString commandLine = QStringLiteral("batch %1 %2 --delay 0 --cycles 2 --simulate --json").arg(set, zero);
    Cli clean;
    QCOMPARE(clean.run(commandLine), 0);
    Cli cli;
    const int operations = operations_into(clean.trace(), stopAt);
    cli.recorder_ready = [&](RecordingSerialControl &recorder) {
        recorder.act_after(operations, [] { std::raise(SIGINT); });
    };

    QCOMPARE(cli.run(commandLine), 0);

    const QStringList wire = cli.wire();
    QCOMPARE(wire.size() - wire.count(Marker), written);
    QCOMPARE(wire.count(Marker), steps);
    const QJsonObject json = json_of(cli.out);
    QCOMPARE(json.value("stopped").toBool(), true);
    QCOMPARE(json.value("signal").toString(), QStringLiteral("SIGINT"));
    QCOMPARE(json.value("channelsWritten").toInt(), written);
    QCOMPARE(json.value("steps").toInt(), steps);
    QCOMPARE(json.value("cycles").toInt(), cycles);
}

// Four banks burned, then a fifth burn: the chip takes the frames and keeps
// its last bank, the check finds every channel wrong. Every attempt is one
// whole JSON line in the log, after a line a crash left unfinished.
void TestCliCommands::burns_are_checked_and_logged()
{
    const QString first = write_set(m_dir, QStringLiteral("first.csv"), some_codes());
    const QString second = write_set(m_dir, QStringLiteral("second.csv"), QList<int>(24, 0x2AA));
    const QString log = m_dir.filePath(QStringLiteral("burns.jsonl"));
    QFile cut(log);
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(R"({"time": "2026-)");
    cut.close();
    Cli cli;
    for (int bank = 1; bank <= 4; ++bank)
        QCOMPARE(cli.run("program-otp --yes --simulate --log " + log + " " + first), 0);

    cli.out.clear();
    cli.err.clear();
    QCOMPARE(cli.run("program-otp --yes --simulate --json --log " + log + " " + second), 4);

    QVERIFY2(cli.err.contains("channel 24 (label 22, register 0x17) reads 0x3E4, not 0x2AA"), qPrintable(cli.err));
    QVERIFY2(cli.err.contains("Max Bank stayed at 4"), qPrintable(cli.err));
    const QJsonObject json = json_of(cli.out);
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("differs"));
    QCOMPARE(json.value("differences").toArray().size(), 24);
    QCOMPARE(json.value("maxBankAfter").toInt(), 4);
    QCOMPARE(cli.run("program-otp --yes --simulate --no-verify " + second), 0);

    QVERIFY(cut.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = cut.readAll().split('\n');
    QCOMPARE(lines.size(), 12); // the cut line, an attempt and a result for each burn, and the end of the last
    QCOMPARE(lines.first(), QByteArray(R"({"time": "2026-)"));
    QStringList results;
    for (qsizetype i = 1; i < 11; i += 2) {
        const QJsonObject attempt = QJsonDocument::fromJson(lines[i]).object();
        const QJsonObject record = QJsonDocument::fromJson(lines[i + 1]).object();
        QCOMPARE(attempt.value("record").toString(), QStringLiteral("attempt"));
        QCOMPARE(record.value("record").toString(), QStringLiteral("result"));
        QCOMPARE(record.value("id"), attempt.value("id"));
        results << record.value("result").toString();
        QVERIFY(record.value("time").toString().endsWith('Z'));
        QCOMPARE(record.value("codes").toArray().size(), 24);
    }
    QCOMPARE(results, QStringList({"verified", "verified", "verified", "verified", "differs"}));
    const QJsonObject last = QJsonDocument::fromJson(lines[10]).object();
    QCOMPARE(last.value("maxBankBefore").toInt(), 4);
    QCOMPARE(last.value("exitCode").toInt(), 4);
    QVERIFY(last.value("message").toString().startsWith("Burn failed: channel 1 (label 1, register 0x00)"));
    QVERIFY(lines.last().isEmpty());
}

// The adapter pulled out in the middle of the 13th programming frame: the
// error names channel 12 as the last one burned.
void TestCliCommands::lost_port_names_the_channel_burned()
{
    Cli clean;
    load_chip(clean, some_codes());
    QCOMPARE(clean.run("program-otp --yes --simulate"), 0);
    Cli cli;
    load_chip(cli, some_codes());
    cli.board.lose_port_after(operations_into(clean.trace(), 50 + 12));

    QCOMPARE(cli.run("program-otp --yes --simulate"), 2);

    QVERIFY2(cli.err.contains(otp_burn_cut_text(12)), qPrintable(cli.err));
    QCOMPARE(cli.wire().mid(0, 62), clean.wire().mid(0, 62));
}

// The last register reads other than it was written (the chip changed it
// between the writes and the read-back): the verify names it.
void TestCliCommands::load_verify_sees_a_register_that_differs()
{
    const QString set = write_set(m_dir, QStringLiteral("set.csv"), some_codes());
    Cli clean;
    QCOMPARE(clean.run("load --simulate " + set), 0);
    Cli cli;
    const int afterWrites = count_line_writes(clean.trace()) + count_dsr_reads(clean.trace());
    cli.recorder_ready = [&](RecordingSerialControl &recorder) {
        recorder.act_after(afterWrites, [&cli] { cli.board.chip().set_register_word(0x17, 0x155); });
    };

    QCOMPARE(cli.run("load --simulate --verify " + set), 4);

    QVERIFY2(cli.err.endsWith("Verify failed: channel 24 (label 22, register 0x17) reads 0x155, not 0x3E4\n"), qPrintable(cli.err));
}

void TestCliCommands::edges_of_the_command_line()
{
    Cli help;
    QCOMPARE(help.run("--json --help"), 0);
    QVERIFY(json_of(help.out).value("help").toString().contains("program-otp"));
    Cli helpAll; // listed by --help
    QCOMPARE(helpAll.run("--help-all"), 0);
    QVERIFY(helpAll.out.contains("program-otp [FILE] --yes"));
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_cli_commands.moc"
