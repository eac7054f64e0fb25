#pragma once

#include "bus/bus_line_decoder.h"
#include "bus/port_record.h"
#include "bus/port_state.h"
#include "bus/serial_control.h"

#include <array>
#include <memory>
#include <vector>

namespace zrx {

// Wraps the program's serial control and passes every call on unchanged, in
// the same order, so the traffic stays exactly what it would be without it.
// On the way it keeps two things for the user:
// - the bus log: every line operation goes through a BusLineDecoder, and
//   every raw write on the transmit line is logged as a step marker;
// - a PortRecord per port number: how its last opening went, whether fast
//   mode carries the bus, and whether it has been closed or lost since.
// Line operations on a closed port reach nothing, so they are not decoded.
//
// A port may answer DSR only when a group of line operations is flushed, so
// the operations of a group are kept (in room taken once) and handed to the
// decoder when the group ends: at its flush, or before anything else that
// reaches the port or the log.
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
    void use_for_bus() override;
    FastModeSwitch *fast_mode() override { return m_target->fast_mode(); }

    // Inline: they run on every line operation of the program.
    void set_dtr(bool asserted) override
    {
        m_target->set_dtr(asserted);
        if (m_open)
            m_group.push_back({LineEvent::Dtr, asserted, nullptr});
    }
    void set_rts(bool asserted) override
    {
        m_target->set_rts(asserted);
        if (m_open)
            m_group.push_back({LineEvent::Rts, asserted, nullptr});
    }
    bool dsr() override
    {
        const bool asserted = m_target->dsr();
        if (m_open)
            m_group.push_back({LineEvent::Dsr, asserted, nullptr});
        return asserted;
    }
    void read_dsr_into(bool &answer) override
    {
        m_target->read_dsr_into(answer);
        if (m_open)
            m_group.push_back({LineEvent::Dsr, false, &answer});
    }
    void hold_lines(std::chrono::nanoseconds duration) override { m_target->hold_lines(duration); }
    void flush_lines() override
    {
        m_target->flush_lines();
        decode_group();
    }

signals:
    // After every opening attempt, close and loss.
    void port_state_changed();

private:
    // One line operation of the group not yet decoded. A DSR read answered
    // at the flush points at where its answer will be.
    struct LineEvent {
        enum Kind : quint8 { Dtr, Rts, Dsr };
        Kind kind;
        bool value;
        const bool *answer;
    };

    void decode_group();
    void target_lost(const QString &reason);
    PortRecord *record_of(int portNumber);

    std::unique_ptr<SerialControl> m_target;
    BusLog &m_log;
    BusLineDecoder m_decoder;
    std::vector<LineEvent> m_group;
    std::array<PortRecord, HighestPortNumber + 1> m_records;
    // Whether line operations reach the port; follows the target.
    bool m_open = false;
};

} // namespace zrx
