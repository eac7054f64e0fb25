#pragma once

#include "bus/bus_line_decoder.h"
#include "bus/port_record.h"
#include "bus/port_state.h"
#include "bus/serial_control.h"

#include <array>
#include <memory>

namespace zrx {

// Wraps the program's serial control and passes every call on unchanged, in
// the same order, so the traffic stays exactly what it would be without it.
// On the way it keeps two things for the user:
// - the bus log: every line operation goes through a BusLineDecoder, and
//   every raw write on the transmit line is logged as a step marker;
// - a PortRecord per port number: how its last opening went, and whether it
//   has been closed or lost since.
// Line operations on a closed port reach nothing, so they are not decoded.
class LoggingSerialControl final : public SerialControl {
    Q_OBJECT
public:
    LoggingSerialControl(std::unique_ptr<SerialControl> target, BusLog &log, QObject *parent = nullptr);

    SerialControl &target() { return *m_target; }
    // The record of port 1..16; an empty one for any other number.
    const PortRecord &port_record(int portNumber) const;

    OpenOutcome open_port(const PortConfiguration &configuration) override;
    void close_port() override;
    bool is_open() const override { return m_target->is_open(); }
    int port_number() const override { return m_target->port_number(); }
    QString error_text() const override { return m_target->error_text(); }
    bool permission_denied() const override { return m_target->permission_denied(); }
    bool output(const QByteArray &bytes) override;
    PortTimeouts timeouts() const override { return m_target->timeouts(); }
    void set_timeouts(const PortTimeouts &timeouts) override { m_target->set_timeouts(timeouts); }

    // Inline: they run on every line operation of the program.
    void set_dtr(bool asserted) override
    {
        m_target->set_dtr(asserted);
        if (m_open)
            m_decoder.dtr_written(asserted);
    }
    void set_rts(bool asserted) override
    {
        m_target->set_rts(asserted);
        if (m_open)
            m_decoder.rts_written(asserted);
    }
    bool dsr() override
    {
        const bool asserted = m_target->dsr();
        if (m_open)
            m_decoder.dsr_read(asserted);
        return asserted;
    }

signals:
    // After every opening attempt, close and loss.
    void port_state_changed();

private:
    void target_lost(const QString &reason);
    PortRecord *record_of(int portNumber);

    std::unique_ptr<SerialControl> m_target;
    BusLog &m_log;
    BusLineDecoder m_decoder;
    std::array<PortRecord, HighestPortNumber + 1> m_records;
    // Whether line operations reach the port; follows the target.
    bool m_open = false;
};

} // namespace zrx
