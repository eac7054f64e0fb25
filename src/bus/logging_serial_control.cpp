#include "bus/logging_serial_control.h"

#include "bus/line_settings.h"
#include "bus/port_names.h"

namespace zrx {
namespace {

const PortRecord NoRecord;

// Room for the longest group the bus makes (a general call reset, about 180
// operations) several times over; it only ever grows.
constexpr std::size_t GroupRoom = 1024;

void note_fast_mode(PortRecord &record, FastModeSwitch *fastMode)
{
    record.fastMode = fastMode && fastMode->fast_mode_active();
    record.fastModeFallback = fastMode ? fastMode->fast_mode_fallback_reason() : QString();
}

} // namespace

LoggingSerialControl::LoggingSerialControl(std::unique_ptr<SerialControl> target, BusLog &log, QObject *parent)
    : SerialControl(parent), m_target(std::move(target)), m_log(log), m_decoder(log)
{
    Q_ASSERT(m_target);
    m_group.reserve(GroupRoom);
    // The simulated board comes already open.
    m_open = m_target->is_open();
    if (PortRecord *record = m_open ? record_of(m_target->port_number()) : nullptr)
        record->event = PortRecord::Event::Opened;
    connect(m_target.get(), &SerialControl::port_lost, this, &LoggingSerialControl::target_lost);
}

const PortRecord &LoggingSerialControl::port_record(int portNumber) const
{
    return is_port_number(portNumber) ? m_records[std::size_t(portNumber)] : NoRecord;
}

PortRecord *LoggingSerialControl::record_of(int portNumber)
{
    return is_port_number(portNumber) ? &m_records[std::size_t(portNumber)] : nullptr;
}

void LoggingSerialControl::decode_group()
{
    for (const LineEvent &event : m_group) {
        switch (event.kind) {
        case LineEvent::Dtr:
            m_decoder.dtr_written(event.value);
            break;
        case LineEvent::Rts:
            m_decoder.rts_written(event.value);
            break;
        case LineEvent::Dsr:
            m_decoder.dsr_read(event.answer ? *event.answer : event.value);
            break;
        }
    }
    m_group.clear();
}

OpenOutcome LoggingSerialControl::open_port(const PortConfiguration &configuration)
{
    decode_group();
    // Opening closes whatever was open first.
    if (PortRecord *previous = m_target->is_open() ? record_of(m_target->port_number()) : nullptr)
        previous->event = PortRecord::Event::Closed;
    const OpenOutcome outcome = m_target->open_port(configuration);
    m_open = m_target->is_open();
    m_decoder.lines_reset();

    if (PortRecord *record = record_of(configuration.CommPort)) {
        record->bitRate = bit_rate_of(configuration.Settings);
        record->reason.clear();
        record->permissionDenied = false;
        note_fast_mode(*record, m_target->fast_mode());
        switch (outcome) {
        case OpenOutcome::Opened:
            record->event = PortRecord::Event::Opened;
            break;
        case OpenOutcome::HeldElsewhere:
            record->event = PortRecord::Event::HeldElsewhere;
            break;
        case OpenOutcome::Failed:
            record->event = PortRecord::Event::Failed;
            record->reason = m_target->error_text();
            record->permissionDenied = m_target->permission_denied();
            break;
        }
    }
    emit port_state_changed();
    return outcome;
}

void LoggingSerialControl::use_for_bus()
{
    decode_group();
    m_target->use_for_bus();
    m_open = m_target->is_open();
    if (PortRecord *record = m_open ? record_of(m_target->port_number()) : nullptr)
        note_fast_mode(*record, m_target->fast_mode());
    emit port_state_changed();
}

void LoggingSerialControl::close_port()
{
    decode_group();
    // A close of a port that is not open changes nothing, and must not
    // cover up why it did not open.
    if (PortRecord *record = m_target->is_open() ? record_of(m_target->port_number()) : nullptr)
        record->event = PortRecord::Event::Closed;
    m_target->close_port();
    m_open = m_target->is_open();
    m_decoder.lines_reset();
    emit port_state_changed();
}

bool LoggingSerialControl::output(const QByteArray &bytes)
{
    // Only bytes that went out are traffic; a write that ran out of time
    // dropped them.
    decode_group();
    const bool sent = m_target->output(bytes);
    if (!sent || !m_open || bytes.isEmpty())
        return sent;
    BusTransaction marker;
    marker.kind = BusTransaction::Kind::StepMarker;
    marker.count = int(bytes.size());
    for (int i = 0; i < qMin(marker.count, BusTransaction::MaxBytes); ++i)
        marker.bytes[std::size_t(i)] = quint8(bytes[i]);
    m_log.append(marker);
    return true;
}

void LoggingSerialControl::target_lost(const QString &reason)
{
    // What was sent before the loss is traffic all the same.
    decode_group();
    m_open = false;
    m_decoder.lines_reset();
    if (PortRecord *record = record_of(m_target->port_number())) {
        record->event = PortRecord::Event::Lost;
        record->reason = reason;
    }
    emit port_lost(reason);
    emit port_state_changed();
}

} // namespace zrx
