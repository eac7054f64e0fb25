#include "session_runner.h"

#include "session_command_line.h"
#include "session_request.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace zrx {
namespace {

const QString ToolPrefix = QStringLiteral("zrx50346-cli: ");

// What went wrong, in one word a script can branch on.
QString failure_kind(int exitCode, const QJsonObject &result, const QString &message, const LoggingSerialControl *port)
{
    switch (ExitCode(exitCode)) {
    case ExitCode::Usage:
        return QStringLiteral("usage");
    case ExitCode::Port:
        if (port && port->port_record(port->port_number()).event == PortRecord::Event::Lost)
            return QStringLiteral("portLost");
        return QStringLiteral("port");
    case ExitCode::File:
        return QStringLiteral("file");
    case ExitCode::NoAnswer:
        if (result.value(QStringLiteral("verdict")).toString() == QLatin1String("differs"))
            return QStringLiteral("burnDiffers");
        if (message.startsWith(QLatin1String("Verify failed")))
            return QStringLiteral("verifyDiffers");
        return QStringLiteral("chipSilent");
    case ExitCode::Stopped:
        return QStringLiteral("stopped");
    case ExitCode::OutputLost:
        return QStringLiteral("outputLost");
    case ExitCode::Done:
        break;
    }
    return QStringLiteral("unknown");
}

QJsonObject failure_answer(const QJsonValue &id, const CliFailure &failure)
{
    return {{QStringLiteral("id"), id},
            {QStringLiteral("ok"), false},
            {QStringLiteral("exitCode"), int(failure.code)},
            {QStringLiteral("message"), failure.message},
            {QStringLiteral("kind"), QStringLiteral("usage")}};
}

} // namespace

SessionRunner::SessionRunner(QTextStream &out, QTextStream &err, PortMaker make_port, SessionInput &input)
    : m_out(out), m_err(err), m_input(input),
      m_runner(m_commandOutStream, m_commandErrStream, std::move(make_port), [] { return QList<PortListing>{}; })
{
}

int SessionRunner::run(const QStringList &arguments)
{
    const SessionCommandLine commandLine = parse_session_command_line(arguments);
    if (commandLine.failure) {
        m_err << ToolPrefix << commandLine.failure->message << '\n';
        m_err.flush();
        send(failure_answer(QJsonValue::Null, *commandLine.failure));
        return int(commandLine.failure->code);
    }
    // For the whole session: a signal while waiting for a request ends it
    // as surely as one during a command.
    const StopSignals stop;
    while (const std::optional<QByteArray> line = m_input.next_line(stop)) {
        if (line->trimmed().isEmpty())
            continue;
        send(run_request(*line, commandLine.portArguments, stop));
        if (stop.stop_requested())
            break;
    }
    m_runner.close_port();
    return int(stop.stop_requested() ? ExitCode::Stopped : ExitCode::Done);
}

QJsonObject SessionRunner::run_request(const QByteArray &line, const QStringList &portArguments,
                                       const StopSignals &stop)
{
    SessionRequest request;
    if (CommandOutcome failure = read_session_request(line, &request))
        return failure_answer(request.id, *failure);

    // Only the long commands: the others' lines are their result, already in the answer.
    static const QStringList LongCommands = {QStringLiteral("load"), QStringLiteral("program-otp"),
                                             QStringLiteral("batch")};
    std::function<void(const QString &)> progress;
    if (request.progress && LongCommands.contains(request.command)) {
        progress = [this, &request](const QString &text) {
            send({{QStringLiteral("id"), request.id}, {QStringLiteral("progress"), text}});
        };
    }
    const QStringList arguments =
        QStringList{QStringLiteral("zrx50346-cli"), QStringLiteral("--json")} + portArguments + request.arguments;
    const int exitCode = m_runner.run_in_session(arguments, stop, progress);
    m_commandOutStream.flush();
    m_commandErrStream.flush();
    QJsonObject result = QJsonDocument::fromJson(m_commandOut.toUtf8()).object();
    QStringList notes = m_commandErr.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    m_commandOut.clear();
    m_commandErr.clear();
    m_commandOutStream.seek(0);
    m_commandErrStream.seek(0);

    QJsonObject answer{{QStringLiteral("id"), request.id}, {QStringLiteral("ok"), exitCode == 0}};
    if (exitCode != 0) {
        const QString message = result.take(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString();
        answer.insert(QStringLiteral("exitCode"), exitCode);
        answer.insert(QStringLiteral("message"), message);
        answer.insert(QStringLiteral("kind"), failure_kind(exitCode, result, message, m_runner.port()));
        // The last line on stderr is the failure itself.
        if (!notes.isEmpty())
            notes.removeLast();
    }
    QJsonArray warnings;
    for (QString &note : notes)
        warnings.append(note.startsWith(ToolPrefix) ? note.mid(ToolPrefix.size()) : note);
    if (!warnings.isEmpty())
        answer.insert(QStringLiteral("warnings"), warnings);
    for (auto it = result.begin(); it != result.end(); ++it) {
        if (!answer.contains(it.key()))
            answer.insert(it.key(), it.value());
    }
    return answer;
}

void SessionRunner::send(const QJsonObject &object)
{
    m_out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    // A script waits for each answer before it sends the next request.
    m_out.flush();
}

} // namespace zrx
