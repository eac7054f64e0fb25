#pragma once

#include "bus/serial_control.h"
#include "sim/simulated_chip.h"

#include <QSet>

#include <optional>

namespace zrx {

// The evaluation board on a serial port that does not exist: the modem lines
// go straight to a SimulatedChip (DTR asserted = clock low, RTS asserted =
// data pulled low, DSR asserted while the data line is low). The chip learns
// only what the lines do, like the real one.
//
// Every port number opens unless a test says which ones exist. Opening while
// open closes first. Closing, or losing the port, releases both lines, as a
// port that goes away drops its outputs; while closed, line writes do nothing
// and DSR reads released.
class SimulatedBoard final : public SerialControl {
    Q_OBJECT
public:
    explicit SimulatedBoard(QObject *parent = nullptr);

    SimulatedChip &chip() { return m_chip; }
    const SimulatedChip &chip() const { return m_chip; }

    // Only these port numbers exist; the rest fail to open.
    void set_existing_ports(const QSet<int> &ports) { m_existingPorts = ports; }
    // These exist but another program holds them.
    void set_held_ports(const QSet<int> &ports) { m_heldPorts = ports; }
    // These exist but this user may not open them.
    void set_refused_ports(const QSet<int> &ports) { m_refusedPorts = ports; }
    // The port goes away when the line operation after the next `operations`
    // ones arrives (writes and DSR reads count): it closes itself, says so
    // once through port_lost(), and ignores that operation and all later ones.
    void lose_port_after(int operations) { m_operationsBeforeLoss = operations; }
    // DSR stays asserted whatever the lines do, as on an adapter with no
    // board behind it that reads its open input low, or a shorted wire.
    void hold_dsr_asserted(bool held) { m_dsrHeld = held; }

    // Everything sent on the transmit data line while open.
    const QByteArray &transmitted() const { return m_transmitted; }
    const PortConfiguration &configuration() const { return m_configuration; }

    OpenOutcome open_port(const PortConfiguration &configuration) override;
    void close_port() override;
    bool is_open() const override { return m_open; }
    int port_number() const override { return m_configuration.CommPort; }
    QString error_text() const override { return m_errorText; }
    bool permission_denied() const override { return m_permissionDenied; }
    bool output(const QByteArray &bytes) override;
    PortTimeouts timeouts() const override { return m_timeouts; }
    void set_timeouts(const PortTimeouts &timeouts) override;
    void set_dtr(bool asserted) override;
    void set_rts(bool asserted) override;
    bool dsr() override;

private:
    bool line_operation_allowed();
    void release_lines();

    SimulatedChip m_chip;
    std::optional<QSet<int>> m_existingPorts;
    QSet<int> m_heldPorts;
    QSet<int> m_refusedPorts;
    PortConfiguration m_configuration;
    PortTimeouts m_timeouts;
    QByteArray m_transmitted;
    QString m_errorText;
    int m_operationsBeforeLoss = -1; // -1: the port stays
    bool m_open = false;
    bool m_permissionDenied = false;
    bool m_dsrHeld = false;
};

} // namespace zrx
