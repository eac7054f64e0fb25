#include "cli_runner.h"

#include "batch_command.h"
#include "chip_commands.h"
#include "command_line.h"

#include "bus/port_discovery.h"

#include <QJsonObject>

namespace zrx {
namespace {

CommandOutcome run_on_chip(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                           CliReport &report)
{
    switch (invocation.command) {
    case Command::Read:
        return read_command(session, invocation, report);
    case Command::Write:
        return write_command(session, invocation, input, report);
    case Command::Load:
        return load_command(session, invocation, input.sets.first(), report);
    case Command::Save:
        return save_command(session, invocation, report);
    case Command::Reset:
        return reset_command(session, report);
    case Command::ProgramOtp:
        return program_otp_command(session, invocation, input, report);
    case Command::Batch:
        return batch_command(session, invocation, input, report);
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
        return QStringLiteral("this program was built without FTDI support");
    return fastMode->fast_mode_active() ? QString() : fastMode->fast_mode_fallback_reason();
}

} // namespace

CliRunner::CliRunner(QTextStream &out, QTextStream &err, PortMaker make_port, PortSurvey survey_ports)
    : m_out(out), m_err(err), m_make_port(std::move(make_port)), m_survey_ports(std::move(survey_ports))
{
}

CliRunner::~CliRunner() = default;

int CliRunner::run(const QStringList &arguments)
{
    const ParsedCommandLine parsed = parse_command_line(arguments);
    CliReport report(m_out, m_err, parsed.json);
    if (!parsed.text.isEmpty()) {
        m_out << parsed.text;
        m_out.flush();
        return int(ExitCode::Done);
    }
    if (parsed.failure)
        return report.finish(parsed.failure);
    const Invocation &invocation = *parsed.invocation;

    if (invocation.command == Command::Ports) {
        report_ports(invocation.port.simulated ? simulated_board_ports() : m_survey_ports(), report);
        return report.finish(std::nullopt);
    }

    CommandInput input;
    if (CommandOutcome failure = prepare_input(invocation, &input))
        return report.finish(failure);

    m_port = std::make_unique<LoggingSerialControl>(m_make_port(invocation.port), m_busLog);
    FastModeSwitch *fastMode = m_port->fast_mode();
    if (fastMode)
        fastMode->set_fast_mode_wanted(invocation.fast);
    ChipSession session(*m_port, invocation.port, invocation.A0Setting);
    // Opened as the window opens its port: the line settings, then the time-outs.
    PortState ports;
    ports.PortNumb = invocation.port.PortNumb;
    ports.BitRate = invocation.bitRate;
    fncInitializeComPort(*m_port, ports, ports.BitRate, ports.PortNumb);
    set_port_timeouts(*m_port, ports.BitRate);
    CommandOutcome outcome = session.port_fault();
    const QString fallback = invocation.fast && !outcome ? fast_mode_fallback(fastMode, invocation.port) : QString();
    if (!fallback.isEmpty()) {
        m_err << QStringLiteral("fast mode off: %1\n").arg(fallback);
        m_err.flush();
    }
    if (!outcome)
        outcome = run_on_chip(session, invocation, input, report);
    if (invocation.fast && report.json())
        report.object().insert(QStringLiteral("fastMode"),
                               QJsonObject{{QStringLiteral("active"), fallback.isEmpty()},
                                           {QStringLiteral("reason"), fallback}});
    // Every transaction has ended with both lines released; nothing else is
    // left to do for the bus.
    m_port->close_port();
    return report.finish(outcome);
}

} // namespace zrx
