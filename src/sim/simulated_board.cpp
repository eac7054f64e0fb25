#include "sim/simulated_board.h"

#include "bus/port_names.h"

namespace zrx {

SimulatedBoard::SimulatedBoard(QObject *parent) : SerialControl(parent) {}

OpenOutcome SimulatedBoard::open_port(const PortConfiguration &configuration)
{
    close_port();
    m_configuration = configuration;
    const int port = configuration.CommPort;
    const QString name = port_name(port);
    m_permissionDenied = false;
    if (m_existingPorts && !m_existingPorts->contains(port)) {
        m_errorText = QStringLiteral("%1 does not exist").arg(name);
        return OpenOutcome::Failed;
    }
    if (m_heldPorts.contains(port)) {
        m_errorText = QStringLiteral("%1 is held by another program").arg(name);
        return OpenOutcome::HeldElsewhere;
    }
    if (m_refusedPorts.contains(port)) {
        m_errorText = QStringLiteral("%1: Permission denied").arg(name);
        m_permissionDenied = true;
        return OpenOutcome::Failed;
    }
    m_errorText.clear();
    m_open = true;
    return OpenOutcome::Opened;
}

void SimulatedBoard::close_port()
{
    if (!m_open)
        return;
    m_open = false;
    release_lines();
}

void SimulatedBoard::release_lines()
{
    m_chip.set_clock_high(true);
    m_chip.set_port_data_high(true);
}

bool SimulatedBoard::output(const QByteArray &bytes)
{
    if (!m_open)
        return false;
    m_transmitted += bytes;
    return true;
}

void SimulatedBoard::set_timeouts(const PortTimeouts &timeouts)
{
    if (m_open)
        m_timeouts = timeouts;
}

bool SimulatedBoard::line_operation_allowed()
{
    if (!m_open)
        return false;
    if (m_operationsBeforeLoss > 0) {
        --m_operationsBeforeLoss;
    } else if (m_operationsBeforeLoss == 0) {
        m_operationsBeforeLoss = -1;
        close_port();
        m_errorText = port_name(m_configuration.CommPort) + QStringLiteral(" was disconnected");
        emit port_lost(m_errorText);
        return false;
    }
    return true;
}

void SimulatedBoard::set_dtr(bool asserted)
{
    if (line_operation_allowed())
        m_chip.set_clock_high(!asserted);
}

void SimulatedBoard::set_rts(bool asserted)
{
    if (line_operation_allowed())
        m_chip.set_port_data_high(!asserted);
}

bool SimulatedBoard::dsr()
{
    return line_operation_allowed() && (m_dsrHeld || !m_chip.data_line_high());
}

} // namespace zrx
