#include "chip_session.h"

#include "bus/port_status_text.h"
#include "device/chip_status_text.h"

namespace zrx {

ChipSession::ChipSession(LoggingSerialControl &port, const PortChoice &choice, const QString &A0Setting,
                         const StopSignals &stop)
    : m_port(port), m_choice(choice), m_stop(stop), m_bus(port, ModemLineBus::AnswerChecks::On), m_chip{m_table, m_view, m_bus}
{
    m_table.A0Setting = A0Setting;
    m_table.CurrentChannel = FirstChannel;
}

QString ChipSession::port_text() const
{
    if (m_choice.simulated)
        return port_status_text(true, m_choice.PortNumb, {}, m_port.is_open());
    return named_port_status_text(m_choice.name, m_choice.PortNumb, m_port.port_record(m_choice.PortNumb),
                                  m_port.is_open(), m_choice.devices);
}

CommandOutcome ChipSession::port_fault() const
{
    if (m_port.is_open())
        return std::nullopt;
    return CliFailure{ExitCode::Port, port_text()};
}

CommandOutcome ChipSession::bus_fault() const
{
    if (CommandOutcome fault = port_fault())
        return fault;
    const BusAnswers &answers = m_bus.answers();
    // A held line reads as an acknowledge too, so it is told first.
    if (answers.dataLineHeld)
        return CliFailure{ExitCode::NoAnswer, data_line_held_text(m_choice.name)};
    if (answers.unacknowledgedAddress >= 0)
        return CliFailure{ExitCode::NoAnswer, no_acknowledge_text(answers.unacknowledgedAddress)};
    return std::nullopt;
}

} // namespace zrx
