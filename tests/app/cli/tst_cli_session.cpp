#include "cli_runner.h"
#include "session_runner.h"

#include "sim/simulated_board.h"
#include "support/golden_bus_text.h"
#include "support/line_trace_decoder.h"
#include "support/recording_serial_control.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace zrx;

namespace {

// Request lines handed out in turn; `before(n)` runs as line n is asked for.
struct ScriptedInput final : SessionInput {
    QList<QByteArray> lines;
    std::function<void(int)> before;
    int asked = 0;
    std::optional<QByteArray> next_line(const StopSignals &) override
    {
        if (before)
            before(asked);
        if (asked == lines.size())
            return std::nullopt;
        return lines[asked++];
    }
};

// One simulated board behind recorders: every port made on it is recorded,
// so the wire of a session and of single commands can be laid side by side.
struct Bench {
    SimulatedBoard board;
    // The runner's recorder, kept by it until it makes the next one; the
    // traces of those before.
    RecordingSerialControl *recorder = nullptr;
    LineTrace before;
    ScriptedInput input;
    std::unique_ptr<SessionRunner> runner;
    std::function<void(RecordingSerialControl &)> recorder_ready;
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    PortMaker maker()
    {
        return [this](const PortChoice &) {
            auto control = std::make_unique<RecordingSerialControl>();
            control->forward_to(&board);
            if (recorder)
                before += recorder->trace();
            recorder = control.get();
            if (recorder_ready)
                recorder_ready(*control);
            return control;
        };
    }
    LineTrace trace() const
    {
        return recorder ? before + recorder->trace() : before;
    }
    int opens() const
    {
        const LineTrace all = trace();
        return int(std::count_if(all.begin(), all.end(),
                                 [](const LineOperation &op) { return op.kind == LineOperation::Kind::Open; }));
    }
    QList<QJsonObject> answers() const
    {
        QList<QJsonObject> objects;
        for (const QString &line : out.split('\n', Qt::SkipEmptyParts))
            objects << QJsonDocument::fromJson(line.toUtf8()).object();
        return objects;
    }
    int session(const QList<QByteArray> &lines, std::function<void(int)> beforeLine = {},
                const QStringList &options = {})
    {
        input.lines = lines;
        input.before = std::move(beforeLine);
        runner = std::make_unique<SessionRunner>(outStream, errStream, maker(), input);
        return runner->run(QStringList{QStringLiteral("zrx50346-cli"), QStringLiteral("session"),
                                       QStringLiteral("--simulate")}
                           + options);
    }
};

QList<int> some_codes()
{
    QList<int> codes;
    for (int i = 0; i < 24; ++i)
        codes << (i * 43 + 7) % 1024;
    return codes;
}

void load_chip(SimulatedBoard &board, const QList<int> &codes)
{
    for (int i = 0; i < codes.size(); ++i)
        board.chip().set_register_word(i, quint16(codes[i]));
}

// A read-back is 25 register reads of 306 line operations each; a channel
// frame, and an OTP frame, 226.
constexpr int ReadBackOperations = 7650;
constexpr int FrameOperations = 226;

const QByteArray Write = R"({"id": 9, "cmd": "write", "channel": "c1", "value": "code:0x233"})";

} // namespace

class TestCliSession : public QObject {
    Q_OBJECT
private slots:
    void transcript_is_the_single_commands_wire();
    void refused_lines_leave_it_usable_data();
    void refused_lines_leave_it_usable();
    void signal_between_commands_ends_it();
    void signal_during_a_burn_finishes_the_burn();
    void lost_port_is_reopened_by_a_later_command();
    void fast_mode_fallback_is_said_once_a_port();

private:
    QTemporaryDir m_dir;
};

// The same commands, one process each and in one session: the same
// transactions on the wire, one opening for the session, closed at its end.
void TestCliSession::transcript_is_the_single_commands_wire()
{
    const QString set = m_dir.filePath(QStringLiteral("set.csv"));
    QFile file(set);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("10\r\n");
    for (int i = 0; i < 24; ++i)
        file.write(QByteArray::number(1000 - i) + "\r\n");
    file.close();
    const QStringList singles = {"write 5 2.5V --vsup 10", "read", "load " + set, "reset",
                                 "batch --delay 0 " + set + " " + set};
    Bench single;
    load_chip(single.board, some_codes());
    CliRunner runner(single.outStream, single.errStream, single.maker(), [] { return QList<PortListing>{}; });
    for (const QString &command : singles)
        QCOMPARE(runner.run(QStringList{"zrx50346-cli", "--simulate"} + QProcess::splitCommand(command)), 0);

    Bench session;
    load_chip(session.board, some_codes());
    const QByteArray path = QJsonDocument(QJsonArray{set}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    QCOMPARE(session.session({R"({"id": 1, "cmd": "write", "channel": 5, "value": "2.5V", "vsup": 10})",
                              R"({"id": "two", "cmd": "read", "progress": true})", "",
                              R"({"id": 3, "cmd": "load", "file": )" + path + "}",
                              R"({"id": 4, "cmd": "reset"})",
                              R"({"id": 5, "cmd": "batch", "delay": 0, "progress": true, "files": [)" + path + ","
                                  + path + "]}"}),
             0);

    QCOMPARE(decode_transactions(session.trace()), decode_transactions(single.trace()));
    QCOMPARE(decode_transactions(session.trace()).first(), channel_write(5, 256));
    QCOMPARE(session.opens(), 1);
    QCOMPARE(session.trace().last().kind, LineOperation::Kind::Close);
    QVERIFY(lines_released_at_end(session.trace()));
    const QList<QJsonObject> answers = session.answers();
    QCOMPARE(answers.size(), 7); // two progress events before the batch's answer
    QCOMPARE(answers[1].value("id").toString(), QStringLiteral("two"));
    QCOMPARE(answers[1].value("channels").toArray().at(4).toObject().value("code").toInt(), 256);
    QCOMPARE(answers[4], QJsonObject({{"id", 5}, {"progress", "cycle 1  set.csv"}}));
    QCOMPARE(answers[6].value("steps").toInt(), 2);
    for (const int i : {0, 1, 2, 3, 6})
        QVERIFY(answers[i].value("ok").toBool());
}

void TestCliSession::refused_lines_leave_it_usable_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("not JSON") << QByteArray("{\"id\": 1, ") << 1 << "usage" << "Not JSON";
    QTest::newRow("ports is no session command") << QByteArray(R"({"id": 1, "cmd": "ports"})") << 1 << "usage"
                                                 << "\"cmd\" must be one of read";
    QTest::newRow("unknown field") << QByteArray(R"({"id": 1, "cmd": "read", "vsupp": 10})") << 1 << "usage"
                                   << "Unknown field \"vsupp\"";
    QTest::newRow("a flag as text") << QByteArray(R"({"id": 1, "cmd": "program-otp", "yes": "yes"})") << 1
                                    << "usage" << "\"yes\" must be true or false";
    QTest::newRow("a file named --yes is no --yes")
        << QByteArray(R"({"id": 1, "cmd": "program-otp", "file": "--yes"})") << 1 << "usage" << "add --yes";
    QTest::newRow("the single command's own check")
        << QByteArray(R"({"id": 1, "cmd": "load", "verify": true, "vsup": 10, "file": "x.csv"})") << 1 << "usage"
        << "load does not take --vsup";
    QTest::newRow("missing file") << QByteArray(R"({"id": 1, "cmd": "load", "file": "/nonexistent/x.csv"})") << 3
                                  << "file" << "Cannot open";
}

// A refused or failing request is answered with the single command's exit
// code and message, and the write after it goes out as if it had been first.
void TestCliSession::refused_lines_leave_it_usable()
{
    QFETCH(QByteArray, line);
    QFETCH(int, code);
    QFETCH(QString, kind);
    QFETCH(QString, message);
    Bench bench;

    QCOMPARE(bench.session({line, Write}), 0);

    const QList<QJsonObject> answers = bench.answers();
    QCOMPARE(answers.size(), 2);
    QCOMPARE(answers[0].value("ok").toBool(true), false);
    QCOMPARE(answers[0].value("exitCode").toInt(), code);
    QCOMPARE(answers[0].value("kind").toString(), kind);
    QVERIFY2(answers[0].value("message").toString().contains(message), qPrintable(bench.out));
    QVERIFY(!answers[0].contains("warnings") && !answers[0].contains("error"));
    QCOMPARE(answers[1].value("id").toInt(), 9);
    QVERIFY(answers[1].value("ok").toBool());
    QCOMPARE(decode_transactions(bench.trace()), QStringList{channel_write(19, 0x233)});
}

// SIGTERM as the second request comes in: that request sends nothing and
// says it was stopped, the third is never read, the port ends closed.
void TestCliSession::signal_between_commands_ends_it()
{
    Bench bench;
    const int code = bench.session({Write, R"({"id": 10, "cmd": "read"})", Write}, [](int asked) {
        if (asked == 1)
            std::raise(SIGTERM);
    });

    QCOMPARE(code, 5);
    QCOMPARE(decode_transactions(bench.trace()), QStringList{channel_write(19, 0x233)});
    QCOMPARE(bench.trace().last().kind, LineOperation::Kind::Close);
    QVERIFY(!bench.board.is_open());
    const QList<QJsonObject> answers = bench.answers();
    QCOMPARE(answers.size(), 2);
    QCOMPARE(answers[1].value("exitCode").toInt(), 5);
    QCOMPARE(answers[1].value("kind").toString(), QStringLiteral("stopped"));
    QCOMPARE(answers[1].value("signal").toString(), QStringLiteral("SIGTERM"));
}

// A signal in the sixth programming frame: all 24 are burned and checked,
// the answer tells of the signal, and the session ends after it.
void TestCliSession::signal_during_a_burn_finishes_the_burn()
{
    Bench bench;
    load_chip(bench.board, some_codes());
    bench.recorder_ready = [](RecordingSerialControl &recorder) {
        recorder.act_after(ReadBackOperations + 5 * FrameOperations + 100, [] { std::raise(SIGINT); });
    };

    QCOMPARE(bench.session({R"({"id": 1, "cmd": "program-otp", "yes": true})", Write}), 5);

    QStringList burn;
    for (int channel = 1; channel <= 24; ++channel)
        burn << otp_write(channel, some_codes()[channel - 1]);
    QCOMPARE(decode_transactions(bench.trace()),
             read_back(some_codes()) + burn + QStringList{general_call_reset_text()} + read_back(some_codes(), 1));
    const QList<QJsonObject> answers = bench.answers();
    QCOMPARE(answers.size(), 1);
    QVERIFY(answers[0].value("ok").toBool());
    QCOMPARE(answers[0].value("verdict").toString(), QStringLiteral("verified"));
    QCOMPARE(answers[0].value("signal").toString(), QStringLiteral("SIGINT"));
    QVERIFY(answers[0].value("warnings").toArray().at(0).toString().contains("SIGINT came during the burn"));
    QCOMPARE(bench.trace().last().kind, LineOperation::Kind::Close);
}

// The adapter pulled out in the middle of a read: that read fails as lost,
// the next command opens the port again and reads the chip.
void TestCliSession::lost_port_is_reopened_by_a_later_command()
{
    Bench bench;
    load_chip(bench.board, some_codes());
    bench.board.lose_port_after(ReadBackOperations / 2);

    QCOMPARE(bench.session({R"({"id": 1, "cmd": "read"})", R"({"id": 2, "cmd": "read"})"}), 0);

    const QList<QJsonObject> answers = bench.answers();
    QCOMPARE(answers[0].value("exitCode").toInt(), 2);
    QCOMPARE(answers[0].value("kind").toString(), QStringLiteral("portLost"));
    QCOMPARE(answers[0].value("message").toString(), QStringLiteral("Simulated board: closed"));
    QVERIFY(answers[1].value("ok").toBool());
    QCOMPARE(answers[1].value("channels").toArray().at(23).toObject().value("code").toInt(), some_codes()[23]);
    QCOMPARE(bench.opens(), 2);
    const QStringList wire = decode_transactions(bench.trace());
    QCOMPARE(wire.mid(wire.size() - 50), read_back(some_codes()));
}

// Said where the port opens, and again where a lost port opens anew; every
// answer's JSON still tells.
void TestCliSession::fast_mode_fallback_is_said_once_a_port()
{
    Bench bench;
    bench.board.lose_port_after(FrameOperations * 3 / 2);
    QCOMPARE(bench.session({Write, Write, Write, Write}, {}, {QStringLiteral("--fast")}), 0);
    const QList<QJsonObject> answers = bench.answers();
    const QJsonArray said{QStringLiteral("fast mode off: the simulated board is not an FTDI adapter")};
    QCOMPARE(answers[0].value("warnings").toArray(), said);
    QVERIFY(!answers[1].contains("warnings")); // lost in this write
    QCOMPARE(answers[2].value("warnings").toArray(), said);
    QVERIFY(!answers[3].contains("warnings"));
    QCOMPARE(answers[3].value("fastMode").toObject().value("active").toBool(true), false);
}

QTEST_GUILESS_MAIN(TestCliSession)
#include "tst_cli_session.moc"
