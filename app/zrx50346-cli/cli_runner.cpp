#include "cli_runner.h"

#include "batch_command.h"
#include "burn_log.h"
#include "chip_commands.h"
#include "command_line.h"
#include "otp_burn.h"
#include "stop_signals.h"

#include "bus/port_discovery.h"
#include "core/version.h"

#include <QJsonDocument>

#include <QJsonObject>

namespace zrx {
namespace {

struct ChipRun {
    ChipSession &session;
    const Invocation &invocation;
    const CommandInput &input;
    CliReport &report;
    const BurnLog &burnLog;
    BurnRecord &burn;
    QString &burnMessage;
};

CommandOutcome run_on_chip(const ChipRun &run)
{
    ChipSession &session = run.session;
    const Invocation &invocation = run.invocation;
    switch (invocation.command) {
    case Command::Read:
        return read_command(session, invocation, run.report);
    case Command::Write:
        return write_command(session, invocation, run.input, run.report);
    case Command::Load:
        return load_command(session, invocation, run.input.sets.first(), run.report);
    case Command::Save:
        return save_command(session, invocation, run.report);
    case Command::Reset:
        return reset_command(session, run.report);
    case Command::ProgramOtp:
        return program_otp_command(session, invocation, run.input, run.report, run.burnLog, &run.burn,
                                   &run.burnMessage);
    case Command::Batch:
        return batch_command(session, invocation, run.input, run.report);
    case Command::Ports:
        break;
    }
    // `ports` never opens a port and is answered before this.
    return usage_failure(QStringLiteral("ports needs no chip"));
}

// Why the open port runs one request per line operation although --fast
// was given; empty when fast mode carries it.
QString fast_mode_fallback(const FastModeSwitch *fastMode, const PortChoice &port)
{
    if (port.simulated)
        return QStringLiteral("the simulated board is not an FTDI adapter");
    if (!fastMode || !fastMode->fast_mode_supported())
        return fast_mode_not_built_reason();
    return fastMode->fast_mode_active() ? QString() : fastMode->fast_mode_fallback_reason();
}

// --help and --version; with --json as an object.
int print_text(const ParsedCommandLine &parsed, QTextStream &out)
{
    if (!parsed.json) {
        out << parsed.text;
    } else {
        const QJsonObject object = parsed.isVersion
                                       ? QJsonObject{{QStringLiteral("program"), QStringLiteral("zrx50346-cli")},
                                                     {QStringLiteral("version"), QString::fromLatin1(VersionText)}}
                                       : QJsonObject{{QStringLiteral("help"), parsed.text}};
        out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    }
    out.flush();
    return int(ExitCode::Done);
}

// Where a burn is logged; nothing to look up without --log.
BurnLog burn_log_of(const Invocation &invocation)
{
    if (invocation.command != Command::ProgramOtp || invocation.logPath.isEmpty())
        return BurnLog({}, {});
    return BurnLog(invocation.logPath,
                   BurnPlace{invocation.port.name, adapter_serial_number(invocation.port), invocation.A0Setting});
}

} // namespace

CliRunner::CliRunner(QTextStream &out, QTextStream &err, PortMaker make_port, PortSurvey survey_ports)
    : m_out(out), m_err(err), m_make_port(std::move(make_port)), m_survey_ports(std::move(survey_ports))
{
}

CliRunner::~CliRunner() = default;

int CliRunner::run(const QStringList &arguments)
{
    m_out.resetStatus();
    m_err.resetStatus();
    const int code = run_command(arguments);
    // A closed stdout, a full disk or a reader gone away never stopped the
    // work above; the run still must not look as if it was all told.
    if (m_out.status() == QTextStream::Ok && m_err.status() == QTextStream::Ok)
        return code;
    if (m_err.status() == QTextStream::Ok) {
        m_err << "zrx50346-cli: the output could not be written in full\n";
        m_err.flush();
    }
    // Any other failure tells more about the chip than the lost output does.
    return code == int(ExitCode::Done) ? int(ExitCode::OutputLost) : code;
}

int CliRunner::run_command(const QStringList &arguments)
{
    const ParsedCommandLine parsed = parse_command_line(arguments);
    CliReport report(m_out, m_err, parsed.json);
    if (!parsed.text.isEmpty())
        return print_text(parsed, m_out);
    if (parsed.failure)
        return report.finish(parsed.failure);
    const Invocation &invocation = *parsed.invocation;

    if (invocation.command == Command::Ports) {
        report_ports(invocation.port.simulated ? simulated_board_ports() : m_survey_ports(), report);
        return report.finish(std::nullopt);
    }

    // From here on a signal is only noted, for the command to look at between
    // frames; one before the port opens leaves it unopened. `ports` touches
    // no bus and keeps the default, so Ctrl+C ends a slow survey at once.
    const StopSignals stop;
    return run_on_port(invocation, report, stop, false);
}

int CliRunner::run_in_session(const QStringList &arguments, const StopSignals &stop,
                              const std::function<void(const QString &)> &progress)
{
    const ParsedCommandLine parsed = parse_command_line(arguments);
    CliReport report(m_out, m_err, true);
    if (parsed.failure)
        return report.finish(parsed.failure);
    if (!parsed.invocation || parsed.invocation->command == Command::Ports)
        return report.finish(usage_failure(QStringLiteral("A session runs commands on the chip only")));
    report.set_progress(progress);
    return run_on_port(*parsed.invocation, report, stop, true);
}

void CliRunner::close_port()
{
    if (m_port)
        m_port->close_port();
}

int CliRunner::run_on_port(const Invocation &invocation, CliReport &report, const StopSignals &stop, bool keepOpen)
{
    const bool burning = invocation.command == Command::ProgramOtp;
    const BurnLog burnLog = burn_log_of(invocation);
    BurnRecord burn;
    burn.file = invocation.arguments.value(0);
    QString burnMessage;
    // Every burn run ends with its result line, the refused ones too.
    const auto finish = [&](const CommandOutcome &outcome) {
        if (!burning)
            return report.finish(outcome);
        burn.signal = stop.signal_name();
        return report.finish(burnLog.write_result(burn, outcome, burnMessage));
    };
    // Refused before the port is opened: not even the opening reaches the lines.
    if (burning && !invocation.yes)
        return finish(usage_failure(QStringLiteral("program-otp burns the chip's one-time-programmable memory, which "
                                                   "cannot be undone: add --yes to go ahead")));
    // A burn that cannot be put on record is not begun.
    if (CommandOutcome failure = burnLog.check())
        return report.finish(failure);

    CommandInput input;
    CommandOutcome failure = prepare_input(invocation, [&stop] { return stop.stop_requested(); }, &input);
    // A signal while the files were read ends the run before the port opens.
    const bool stoppedReading =
        stop.stop_requested() && (failure ? failure->code == ExitCode::Stopped : !input.sets.isEmpty());
    if (stoppedReading) {
        report.object().insert(QStringLiteral("stopped"), true);
        report.object().insert(QStringLiteral("signal"), stop.signal_name());
        report.object().insert(QStringLiteral("channelsWritten"), 0);
        const QString where = failure ? QLatin1Char(' ') + failure->message : QString();
        failure = CliFailure{ExitCode::Stopped, QStringLiteral("Stopped by %1%2: %3")
                                                    .arg(stop.signal_name(), where, channels_written_text(0, {}))};
    }
    if (failure)
        return finish(failure);
    if (burning && !input.sets.isEmpty())
        burn.codes = codes_to_burn(input.sets.first());

    // A session makes its port once; its port options are the same for every command.
    if (!keepOpen || !m_port)
        m_port = std::make_unique<LoggingSerialControl>(m_make_port(invocation.port), m_busLog);
    FastModeSwitch *fastMode = m_port->fast_mode();
    if (fastMode)
        fastMode->set_fast_mode_wanted(invocation.fast);
    ChipSession session(*m_port, invocation.port, invocation.A0Setting, stop);
    // Opened as the window opens its port: the line settings, then the time-outs.
    const bool opensPort = !m_port->is_open();
    if (opensPort) {
        PortState ports;
        ports.PortNumb = invocation.port.PortNumb;
        ports.BitRate = invocation.bitRate;
        fncInitializeComPort(*m_port, ports, ports.BitRate, ports.PortNumb);
        set_port_timeouts(*m_port, ports.BitRate);
    }
    // The burn and the batch say for themselves what a signal did to them.
    const bool toldOfSignal = invocation.command == Command::ProgramOtp || invocation.command == Command::Batch;
    CommandOutcome outcome = session.port_fault();
    const QString fallback = invocation.fast && !outcome ? fast_mode_fallback(fastMode, invocation.port) : QString();
    // Said where the port opens: a session's later commands run on the same
    // port (their JSON still tells).
    if (!fallback.isEmpty() && opensPort) {
        m_err << QStringLiteral("fast mode off: %1\n").arg(fallback);
        m_err.flush();
    }
    if (!outcome && stop.stop_requested() && invocation.command != Command::Batch)
        outcome = stopped_failure(session, report, 0, channels_written_text(0, {}));
    if (!outcome)
        outcome = run_on_chip({session, invocation, input, report, burnLog, burn, burnMessage});
    if (!outcome && !toldOfSignal)
        note_late_signal(session, report, QStringLiteral("the command"));
    if (invocation.fast && report.json())
        report.object().insert(QStringLiteral("fastMode"),
                               QJsonObject{{QStringLiteral("active"), fallback.isEmpty()},
                                           {QStringLiteral("reason"), fallback}});
    // Every transaction has ended with both lines released; nothing else is
    // left to do for the bus.
    if (!keepOpen)
        m_port->close_port();
    return finish(outcome);
}

} // namespace zrx
