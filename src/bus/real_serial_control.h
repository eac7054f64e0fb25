#pragma once

#include "bus/modem_line_driver.h"
#include "bus/port_names.h"
#include "bus/serial_control.h"

#ifndef Q_OS_WIN
#include <QSerialPort>
#endif

namespace zrx {

// The program's serial port on a real machine. QSerialPort opens and
// configures it (on Windows the system's own calls do, as they do the lines:
// real_serial_control_windows.cpp); the three line operations go straight to
// the open port's handle, one driver request each (modem_line_driver.h),
// because the bus is paced by nothing but those requests. Always 8N1 without
// flow control: RTS is the bus data line and must stay ours.
class RealSerialControl final : public SerialControl {
    Q_OBJECT
public:
    explicit RealSerialControl(PortDeviceTable devices = default_port_devices(),
                               QObject *parent = nullptr);
    ~RealSerialControl() override;

    OpenOutcome open_port(const PortConfiguration &configuration) override;
    void close_port() override;
    bool is_open() const override;
    int port_number() const override;
    QString error_text() const override;
    bool permission_denied() const override { return m_permissionDenied; }

    bool output(const QByteArray &bytes) override;

    PortTimeouts timeouts() const override;
    void set_timeouts(const PortTimeouts &timeouts) override;

    void set_dtr(bool asserted) override;
    void set_rts(bool asserted) override;
    bool dsr() override;

private:
    // Closes what is open and finds the device for the configuration's
    // port: empty, with the reason in error_text(), when it has none.
    QString begin_opening(const PortConfiguration &configuration);
    void note(const DriverResult &result);
    void lose_port(const QString &reason);

    PortDeviceTable m_devices;
#ifdef Q_OS_WIN
    bool apply_line_settings(const PortConfiguration &configuration);
    bool apply_write_timeouts();
    // INVALID_HANDLE_VALUE while closed.
    PortHandle m_handle = reinterpret_cast<PortHandle>(-1);
#else
    void apply_line_settings(const PortConfiguration &configuration);
    QSerialPort m_port;
    PortHandle m_handle{};
#endif
    int m_portNumber = 0;
    // Tells a queued error report which opening it belongs to.
    quint64 m_openings = 0;
    QString m_errorText;
    bool m_permissionDenied = false;
    // Until set_timeouts: no per-byte allowance, one second per write.
    PortTimeouts m_timeouts{0, 0, 1000, 0, 1000};
};

} // namespace zrx
