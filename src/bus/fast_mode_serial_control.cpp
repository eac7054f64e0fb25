#include "bus/fast_mode_serial_control.h"

namespace zrx {

FastModeSerialControl::FastModeSerialControl(std::unique_ptr<SerialControl> perRequest,
                                             std::unique_ptr<FastPortControl> fast, QObject *parent)
    : SerialControl(parent), m_perRequest(std::move(perRequest)), m_fast(std::move(fast)),
      m_carrier(m_perRequest.get())
{
    Q_ASSERT(m_perRequest);
    for (SerialControl *control : {m_perRequest.get(), static_cast<SerialControl *>(m_fast.get())}) {
        if (control)
            connect(control, &SerialControl::port_lost, this,
                    [this, control](const QString &reason) { carrier_lost(control, reason); });
    }
}

FastModeSerialControl::~FastModeSerialControl()
{
    close_port();
}

OpenOutcome FastModeSerialControl::open_port(const PortConfiguration &configuration)
{
    close_port();
    m_configuration = configuration;
    m_fallbackReason.clear();
    m_carrier = m_perRequest.get();
    const OpenOutcome outcome = m_perRequest->open_port(configuration);
    if (outcome == OpenOutcome::Failed && m_wanted && m_fast
        && m_fast->open_detached(configuration) == OpenOutcome::Opened) {
        m_carrier = m_fast.get();
        return OpenOutcome::Opened;
    }
    return outcome;
}

void FastModeSerialControl::close_port()
{
    if (m_fast)
        m_fast->close_port();
    m_perRequest->close_port();
}

// The per-request port is open and free here: another program holding the
// adapter would have made that opening fail, so taking the adapter away from
// the system's serial driver takes it from nobody.
void FastModeSerialControl::use_for_bus()
{
    if (!m_wanted || m_carrier != m_perRequest.get() || !m_perRequest->is_open())
        return;
    if (!m_fast) {
        m_fallbackReason = fast_mode_not_built_reason();
        return;
    }
    const PortTimeouts timeouts = m_perRequest->timeouts();
    m_perRequest->close_port();
    if (m_fast->open_port(m_configuration) == OpenOutcome::Opened) {
        m_carrier = m_fast.get();
        m_carrier->set_timeouts(timeouts);
        return;
    }
    m_fallbackReason = m_fast->error_text();
    if (m_perRequest->open_port(m_configuration) == OpenOutcome::Opened) {
        m_perRequest->set_timeouts(timeouts);
        return;
    }
    // The serial port did not come back after the attempt: as good as gone.
    emit port_lost(m_perRequest->error_text());
}

bool FastModeSerialControl::fast_mode_active() const
{
    return m_fast && m_carrier == m_fast.get() && m_fast->is_open();
}

QString FastModeSerialControl::fast_mode_fallback_reason() const
{
    return m_wanted && !fast_mode_active() ? m_fallbackReason : QString();
}

void FastModeSerialControl::carrier_lost(SerialControl *from, const QString &reason)
{
    if (from == m_carrier)
        emit port_lost(reason);
}

} // namespace zrx
