#include "bus/real_serial_control.h"

#include "bus/line_settings.h"

#include <climits>

namespace zrx {

RealSerialControl::RealSerialControl(PortDeviceTable devices, QObject *parent)
    : SerialControl(parent), m_devices(std::move(devices))
{
    // A write finishing in the background can find the device gone. That is
    // reported from inside QSerialPort, so the port is closed afterwards, not
    // under its feet; the opening it belonged to may be gone by then.
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::ResourceError || !m_port.isOpen())
            return;
        const quint64 opening = m_openings;
        const QString reason = m_port.errorString();
        QMetaObject::invokeMethod(this, [this, opening, reason] {
            if (opening == m_openings)
                lose_port(reason);
        }, Qt::QueuedConnection);
    });
}

OpenOutcome RealSerialControl::open_port(const PortConfiguration &configuration)
{
    const QString device = begin_opening(configuration);
    if (device.isEmpty())
        return OpenOutcome::Failed;

    m_port.setPortName(device);
    apply_line_settings(configuration);
    // Write-only: nothing here ever reads the port, and a read notifier on a
    // hung-up tty (an unplugged adapter reads as end of file) would fire
    // without end.
    if (!m_port.open(QIODevice::WriteOnly)) {
        const QSerialPort::SerialPortError error = m_port.error();
        m_errorText = device + QStringLiteral(": ") + m_port.errorString();
        m_port.clearError();
        if (held_by_another_program(device, error))
            return OpenOutcome::HeldElsewhere;
        m_permissionDenied = error == QSerialPort::PermissionError;
        return OpenOutcome::Failed;
    }
    m_handle = m_port.handle();
    ++m_openings;

    // Opening a tty raises DTR and RTS by itself; the bus is idle with both
    // released (clock and data high).
    set_dtr(false);
    set_rts(false);
    return m_port.isOpen() ? OpenOutcome::Opened : OpenOutcome::Failed;
}

// Configured before opening, so the port comes up with these settings in
// one go. A bit rate that cannot be read keeps the previous one, as a
// refused setting is skipped. Handshaking is never switched on: hardware flow
// control would take RTS away from the bus.
void RealSerialControl::apply_line_settings(const PortConfiguration &configuration)
{
    if (const qint32 rate = bit_rate_of(configuration.Settings); rate > 0)
        m_port.setBaudRate(rate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void RealSerialControl::close_port()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool RealSerialControl::is_open() const
{
    return m_port.isOpen();
}

bool RealSerialControl::output(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    if (bytes.isEmpty())
        return true;
    m_port.write(bytes);
    const qint64 allowanceMs = qint64(m_timeouts.WriteTotalTimeoutMultiplier) * bytes.size()
                               + m_timeouts.WriteTotalTimeoutConstant;
    if (m_port.waitForBytesWritten(int(qMin<qint64>(allowanceMs, INT_MAX))))
        return true;
    if (m_port.error() == QSerialPort::ResourceError) {
        lose_port(m_port.errorString());
        return false;
    }
    // Timed out: what is still queued is dropped, as a write that runs out of
    // time is abandoned, so it cannot pile up behind the next one.
    m_port.clear(QSerialPort::Output);
    m_port.clearError();
    return false;
}

// Only the write allowance is ever used: nothing reads the port.
void RealSerialControl::set_timeouts(const PortTimeouts &timeouts)
{
    m_timeouts = timeouts;
}

} // namespace zrx
