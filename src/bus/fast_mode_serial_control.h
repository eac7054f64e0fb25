#pragma once

#include "bus/fast_mode_switch.h"
#include "bus/fast_port_control.h"
#include "bus/serial_control.h"

#include <memory>

namespace zrx {

// The program's port with fast mode in it. Every opening goes through the
// per-request control, so a port another program holds, or this user may not
// open, is found out exactly as before, and a scan's probes never touch
// anything else. When the opened port is taken up for the bus and fast mode
// is wanted, the fast control takes the port over; if it cannot (not its kind
// of adapter, no permission, no such mode, gone), the port opens again on the
// per-request control and the reason is kept for the status line.
class FastModeSerialControl final : public SerialControl, public FastModeSwitch {
    Q_OBJECT
public:
    // `fast` is null when the program was built without a fast backend.
    FastModeSerialControl(std::unique_ptr<SerialControl> perRequest, std::unique_ptr<FastPortControl> fast,
                          QObject *parent = nullptr);
    ~FastModeSerialControl() override;

    OpenOutcome open_port(const PortConfiguration &configuration) override;
    void close_port() override;
    bool is_open() const override { return m_carrier->is_open(); }
    int port_number() const override { return m_carrier->port_number(); }
    QString error_text() const override { return m_carrier->error_text(); }
    bool permission_denied() const override { return m_carrier->permission_denied(); }
    bool output(const QByteArray &bytes) override { return m_carrier->output(bytes); }
    PortTimeouts timeouts() const override { return m_carrier->timeouts(); }
    void set_timeouts(const PortTimeouts &timeouts) override { m_carrier->set_timeouts(timeouts); }
    void use_for_bus() override;
    FastModeSwitch *fast_mode() override { return this; }

    void set_dtr(bool asserted) override { m_carrier->set_dtr(asserted); }
    void set_rts(bool asserted) override { m_carrier->set_rts(asserted); }
    bool dsr() override { return m_carrier->dsr(); }
    void read_dsr_into(bool &answer) override { m_carrier->read_dsr_into(answer); }
    void flush_lines() override { m_carrier->flush_lines(); }
    void hold_lines(std::chrono::nanoseconds duration) override { m_carrier->hold_lines(duration); }

    bool fast_mode_supported() const override { return m_fast != nullptr; }
    bool fast_mode_wanted() const override { return m_wanted; }
    void set_fast_mode_wanted(bool wanted) override { m_wanted = wanted; }
    bool fast_mode_active() const override;
    QString fast_mode_fallback_reason() const override;

private:
    void carrier_lost(SerialControl *from, const QString &reason);

    std::unique_ptr<SerialControl> m_perRequest;
    std::unique_ptr<FastPortControl> m_fast;
    // The one that carries the port now; the other is closed.
    SerialControl *m_carrier;
    PortConfiguration m_configuration;
    QString m_fallbackReason;
    bool m_wanted = false;
};

} // namespace zrx
