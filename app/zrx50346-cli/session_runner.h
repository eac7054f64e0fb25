#pragma once

#include "cli_runner.h"
#include "session_input.h"

#include <QJsonObject>
#include <QString>
#include <QTextStream>

namespace zrx {

// `zrx50346-cli session`: one JSON request per input line, one JSON answer
// per output line, the port (and fast mode) kept open between commands.
// Every request runs as its single command would, through CliRunner, so the
// checks, refusals, burn log and signal handling are the single commands'.
// An answer carries the request's "id", "ok" and the command's JSON result;
// a failure adds "exitCode" (what the single command would have exited with),
// "message" and "kind". A signal ends the session once the command under way
// has finished, with the port closed; the end of the input closes it too.
class SessionRunner {
public:
    SessionRunner(QTextStream &out, QTextStream &err, PortMaker make_port, SessionInput &input);

    // `arguments` as main() gets them, the program first. Returns 0 at the end
    // of the input, 5 when a signal ended the session, 1 for a bad command line.
    int run(const QStringList &arguments);

private:
    QJsonObject run_request(const QByteArray &line, const QStringList &portArguments, const StopSignals &stop);
    void send(const QJsonObject &object);

    QTextStream &m_out;
    QTextStream &m_err;
    SessionInput &m_input;
    // The single command's output, read back into the answer.
    QString m_commandOut;
    QString m_commandErr;
    QTextStream m_commandOutStream{&m_commandOut};
    QTextStream m_commandErrStream{&m_commandErr};
    CliRunner m_runner;
};

} // namespace zrx
