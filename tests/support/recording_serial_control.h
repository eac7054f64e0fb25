#pragma once

#include "support/line_operation.h"
#include "bus/serial_control.h"

#include <QPointer>

#include <chrono>
#include <functional>

namespace zrx {

// A serial control that remembers every call made on it, so a test can read
// back what the bus put on the lines. On its own it opens any port and DSR
// answers a fixed value; given a target it passes every call on, DSR answers
// what the target says and the target's port_lost comes out of here too.
class RecordingSerialControl final : public SerialControl {
    Q_OBJECT
public:
    explicit RecordingSerialControl(QObject *parent = nullptr);

    void forward_to(SerialControl *target);
    // What DSR answers while there is no target; released (false) at first,
    // which reads as a released data line.
    void set_dsr_answer(bool asserted) { m_dsrAnswer = asserted; }
    // From now on raw bytes are taken but go nowhere, as a write that runs
    // out of time on a stalled port: output() says so.
    void set_output_stalls(bool stalls) { m_outputStalls = stalls; }
    // Each line operation takes at least this long from now on, as a USB
    // serial adapter's driver request does (about a millisecond).
    void set_request_latency(std::chrono::microseconds latency) { m_latency = latency; }

    // Runs `action` once, as the line operation after the next `operations`
    // ones arrives (before it is passed on): a signal raised in the middle
    // of a frame, say.
    void act_after(int operations, std::function<void()> action)
    {
        m_operationsBeforeAction = operations;
        m_action = std::move(action);
    }

    const LineTrace &trace() const { return m_trace; }
    LineTrace take_trace();
    void clear_trace() { m_trace.clear(); }

    OpenOutcome open_port(const PortConfiguration &configuration) override;
    void close_port() override;
    bool is_open() const override;
    int port_number() const override;
    QString error_text() const override;
    bool permission_denied() const override;
    bool output(const QByteArray &bytes) override;
    PortTimeouts timeouts() const override;
    void set_timeouts(const PortTimeouts &timeouts) override;
    void set_dtr(bool asserted) override;
    void set_rts(bool asserted) override;
    bool dsr() override;

    // The configuration of the last open attempt.
    const PortConfiguration &configuration() const { return m_configuration; }

private:
    void take_request_time();

    QPointer<SerialControl> m_target;
    QMetaObject::Connection m_lostConnection;
    LineTrace m_trace;
    PortConfiguration m_configuration;
    PortTimeouts m_timeouts;
    bool m_open = false;
    bool m_dsrAnswer = false;
    bool m_outputStalls = false;
    std::chrono::microseconds m_latency{0};
    int m_operationsBeforeAction = -1;
    std::function<void()> m_action;
};

} // namespace zrx
