#include "bus/real_serial_control.h"

// What the port does alike on every system: the lines go to the driver one
// request each, and a device that has gone closes the port once.

namespace zrx {

RealSerialControl::~RealSerialControl()
{
    close_port();
}

QString RealSerialControl::begin_opening(const PortConfiguration &configuration)
{
    close_port();
    m_portNumber = configuration.CommPort;
    m_errorText.clear();
    m_permissionDenied = false;
    const QString device = port_device(m_devices, m_portNumber);
    if (device.isEmpty())
        m_errorText = tr("%1 has no device on this system").arg(port_name(m_portNumber));
    return device;
}

int RealSerialControl::port_number() const
{
    return m_portNumber;
}

QString RealSerialControl::error_text() const
{
    return m_errorText;
}

PortTimeouts RealSerialControl::timeouts() const
{
    return m_timeouts;
}

void RealSerialControl::set_dtr(bool asserted)
{
    if (is_open())
        note(driver_set_dtr(m_handle, asserted));
}

void RealSerialControl::set_rts(bool asserted)
{
    if (is_open())
        note(driver_set_rts(m_handle, asserted));
}

// A closed or refusing port reads as DSR not asserted, a released data line.
bool RealSerialControl::dsr()
{
    bool asserted = false;
    if (is_open())
        note(driver_read_dsr(m_handle, asserted));
    return asserted;
}

void RealSerialControl::note(const DriverResult &result)
{
    if (result.answer == DriverAnswer::PortGone)
        lose_port(result.reason);
}

void RealSerialControl::lose_port(const QString &reason)
{
    if (!is_open())
        return;
    m_errorText = port_device(m_devices, m_portNumber) + QStringLiteral(": ") + reason;
    close_port();
    emit port_lost(m_errorText);
}

} // namespace zrx
