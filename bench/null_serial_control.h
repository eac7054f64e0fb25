#pragma once

#include "bus/serial_control.h"

namespace zrx {

// A serial control with nothing behind it: every port opens, line writes go
// nowhere and DSR reads released. What is left of a bus timing against it is
// the cost of the bus code itself.
class NullSerialControl final : public SerialControl {
    Q_OBJECT
public:
    using SerialControl::SerialControl;

    OpenOutcome open_port(const PortConfiguration &configuration) override;
    void close_port() override { m_open = false; }
    bool is_open() const override { return m_open; }
    int port_number() const override { return m_portNumber; }
    QString error_text() const override { return {}; }
    bool output(const QByteArray &) override { return m_open; }
    PortTimeouts timeouts() const override { return m_timeouts; }
    void set_timeouts(const PortTimeouts &timeouts) override { m_timeouts = timeouts; }
    void set_dtr(bool) override {}
    void set_rts(bool) override {}
    bool dsr() override { return false; }

private:
    PortTimeouts m_timeouts;
    int m_portNumber = 0;
    bool m_open = false;
};

} // namespace zrx
