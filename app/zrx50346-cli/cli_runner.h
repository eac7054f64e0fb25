#pragma once

#include "port_choice.h"
#include "port_listing.h"

#include "bus/bus_log.h"
#include "bus/logging_serial_control.h"
#include "bus/serial_control.h"

#include "stop_signals.h"

#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>

namespace zrx {

class CliReport;
struct Invocation;

// Makes the serial control a command runs on, not yet open: the real port on
// the choice's device table, or the simulated board. The tests hand in a
// recorder in front of a board of their own.
using PortMaker = std::function<std::unique_ptr<SerialControl>(const PortChoice &choice)>;
// Lists COM1..COM16 for `ports` (survey_system_ports on a real machine).
using PortSurvey = std::function<QList<PortListing>()>;

// One run of the tool: the command line in, text or JSON out, the exit status
// back. The port is opened only once the arguments and files are known to be
// good, and closed again, with the bus idle, before run() returns.
class CliRunner {
public:
    CliRunner(QTextStream &out, QTextStream &err, PortMaker make_port, PortSurvey survey_ports);
    ~CliRunner();

    // `arguments` as main() gets them, the program first. Output that could
    // not be written (a closed stdout, a full disk, a reader gone away) stops
    // nothing; a run that did its work then ends with ExitCode::OutputLost.
    int run(const QStringList &arguments);

    // One command of a session, with --json: the same checks and commands as
    // run(), but `stop` is the session's (a signal between commands is not
    // lost), and the port stays open for the next command. It is opened when
    // it is not open: at the first command, and after it was lost. With a
    // `progress` sink, the lines a text run would print go there as they come.
    int run_in_session(const QStringList &arguments, const StopSignals &stop,
                       const std::function<void(const QString &)> &progress = {});
    // The port of the last command; none before the first.
    const LoggingSerialControl *port() const { return m_port.get(); }
    // Ends a session: every transaction has ended with both lines released.
    void close_port();

private:
    int run_command(const QStringList &arguments);
    int run_on_port(const Invocation &invocation, CliReport &report, const StopSignals &stop, bool keepOpen);

    QTextStream &m_out;
    QTextStream &m_err;
    PortMaker m_make_port;
    PortSurvey m_survey_ports;
    // Kept for the port records that give a failure the window's words.
    BusLog m_busLog{1};
    // The port of the last run, closed by the time run() returned; it stays
    // until the next run so a test can look at what it recorded.
    std::unique_ptr<LoggingSerialControl> m_port;
};

} // namespace zrx
