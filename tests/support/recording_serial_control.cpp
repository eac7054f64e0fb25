#include "support/recording_serial_control.h"

#include <QThread>

namespace zrx {

RecordingSerialControl::RecordingSerialControl(QObject *parent) : SerialControl(parent) {}

void RecordingSerialControl::forward_to(SerialControl *target)
{
    disconnect(m_lostConnection);
    m_target = target;
    if (target)
        m_lostConnection = connect(target, &SerialControl::port_lost, this, &SerialControl::port_lost);
}

LineTrace RecordingSerialControl::take_trace()
{
    return std::exchange(m_trace, {});
}

OpenOutcome RecordingSerialControl::open_port(const PortConfiguration &configuration)
{
    m_configuration = configuration;
    OpenOutcome outcome = OpenOutcome::Opened;
    if (m_target)
        outcome = m_target->open_port(configuration);
    m_open = outcome == OpenOutcome::Opened;
    m_trace.append({LineOperation::Kind::Open, m_open, configuration.CommPort, {}});
    return outcome;
}

void RecordingSerialControl::close_port()
{
    m_trace.append({LineOperation::Kind::Close, false, 0, {}});
    m_open = false;
    if (m_target)
        m_target->close_port();
}

bool RecordingSerialControl::is_open() const
{
    return m_target ? m_target->is_open() : m_open;
}

int RecordingSerialControl::port_number() const
{
    return m_target ? m_target->port_number() : m_configuration.CommPort;
}

QString RecordingSerialControl::error_text() const
{
    return m_target ? m_target->error_text() : QString();
}

bool RecordingSerialControl::permission_denied() const
{
    return m_target && m_target->permission_denied();
}

bool RecordingSerialControl::output(const QByteArray &bytes)
{
    m_trace.append({LineOperation::Kind::Output, false, 0, bytes});
    if (m_outputStalls)
        return false;
    return m_target ? m_target->output(bytes) : m_open;
}

PortTimeouts RecordingSerialControl::timeouts() const
{
    return m_target ? m_target->timeouts() : m_timeouts;
}

void RecordingSerialControl::set_timeouts(const PortTimeouts &timeouts)
{
    m_timeouts = timeouts;
    if (m_target)
        m_target->set_timeouts(timeouts);
}

void RecordingSerialControl::take_request_time()
{
    if (m_operationsBeforeAction >= 0 && m_operationsBeforeAction-- == 0)
        m_action();
    if (m_latency.count() > 0)
        QThread::usleep(static_cast<unsigned long>(m_latency.count()));
}

void RecordingSerialControl::set_dtr(bool asserted)
{
    take_request_time();
    m_trace.append(LineOperation::dtr(asserted));
    if (m_target)
        m_target->set_dtr(asserted);
}

void RecordingSerialControl::set_rts(bool asserted)
{
    take_request_time();
    m_trace.append(LineOperation::rts(asserted));
    if (m_target)
        m_target->set_rts(asserted);
}

bool RecordingSerialControl::dsr()
{
    take_request_time();
    const bool asserted = m_target ? m_target->dsr() : m_dsrAnswer;
    m_trace.append(LineOperation::dsr(asserted));
    return asserted;
}

} // namespace zrx
