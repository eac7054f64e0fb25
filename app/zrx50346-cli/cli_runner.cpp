#include "cli_runner.h"

#include "batch_command.h"
#include "chip_commands.h"
#include "command_line.h"

#include "bus/port_discovery.h"

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
    ChipSession session(*m_port, invocation.port, invocation.A0Setting);
    // Opened as the window opens its port: the line settings, then the time-outs.
    PortState ports;
    ports.PortNumb = invocation.port.PortNumb;
    ports.BitRate = invocation.bitRate;
    fncInitializeComPort(*m_port, ports, ports.BitRate, ports.PortNumb);
    set_port_timeouts(*m_port, ports.BitRate);
    CommandOutcome outcome = session.port_fault();
    if (!outcome)
        outcome = run_on_chip(session, invocation, input, report);
    // Every transaction has ended with both lines released; nothing else is
    // left to do for the bus.
    m_port->close_port();
    return report.finish(outcome);
}

} // namespace zrx
