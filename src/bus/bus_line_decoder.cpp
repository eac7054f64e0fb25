#include "bus/bus_line_decoder.h"

namespace zrx {

void BusLineDecoder::dtr_written(bool asserted)
{
    const bool high = !asserted;
    if (high == m_clockHigh)
        return;
    m_clockHigh = high;
    if (high) {
        // Whether this clock carries a bit, a START or a STOP is known only
        // when it falls again.
        m_cellOpen = true;
        m_cellDataHigh = m_dataHigh;
        m_cellSampled = false;
    } else if (m_cellOpen) {
        m_cellOpen = false;
        clock_cell();
    }
}

void BusLineDecoder::rts_written(bool asserted)
{
    const bool high = !asserted;
    if (high == m_dataHigh)
        return;
    m_dataHigh = high;
    if (!m_clockHigh)
        return;
    // Data moving while the clock is high: no bit, a condition.
    m_cellOpen = false;
    if (high)
        stop_seen();
    else
        start_seen();
}

void BusLineDecoder::dsr_read(bool asserted)
{
    if (m_clockHigh && m_cellOpen) {
        m_cellSampled = true;
        m_cellDsrAsserted = asserted;
    }
}

void BusLineDecoder::lines_reset()
{
    if (m_inFrame)
        finish_transaction(false);
    m_inFrame = false;
    m_clockHigh = m_dataHigh = true;
    m_cellOpen = false;
}

void BusLineDecoder::start_seen()
{
    if (m_inFrame)
        finish_transaction(m_bitIndex == 0);
    m_inFrame = true;
    m_reading = false;
    m_bitIndex = 0;
    m_byte = 0;
    m_current.count = 0;
}

void BusLineDecoder::stop_seen()
{
    if (m_inFrame)
        finish_transaction(m_bitIndex == 0);
    m_inFrame = false;
}

// The clock has fallen after a high phase with no START or STOP in it.
void BusLineDecoder::clock_cell()
{
    if (!m_inFrame)
        return;
    if (m_bitIndex == 8) {
        // The ninth clock. The address byte's last bit says who sends the
        // bytes after it.
        if (m_current.count == 1)
            m_reading = (m_current.bytes[0] & 1) != 0;
        m_bitIndex = 0;
        m_byte = 0;
        return;
    }
    const bool masterSends = m_current.count == 0 || !m_reading;
    const bool high = masterSends || !m_cellSampled ? m_cellDataHigh : !m_cellDsrAsserted;
    m_byte = quint8((m_byte << 1) | (high ? 1 : 0));
    if (++m_bitIndex < 8)
        return;
    if (m_current.count < BusTransaction::MaxBytes)
        m_current.bytes[std::size_t(m_current.count)] = m_byte;
    ++m_current.count;
}

void BusLineDecoder::finish_transaction(bool complete)
{
    // A START straight after a START or a STOP carried nothing.
    if (m_current.count == 0 && m_bitIndex == 0)
        return;
    BusTransaction &t = m_current;
    const int address = t.count > 0 ? t.bytes[0] : -1;
    // A read gets its word from wherever a write to the same chip last
    // pointed; the read address is the write address with R/W set.
    t.pointer = address >= 0 && (address & 1) && m_pointerAddress == (address & 0xFE) ? m_pointer : -1;
    t.kind = classify_transaction(t, complete);
    switch (t.kind) {
    case BusTransaction::Kind::PointerWrite:
    case BusTransaction::Kind::ChannelWrite:
    case BusTransaction::Kind::ProgrammingFrame:
        m_pointerAddress = address;
        m_pointer = t.bytes[1];
        break;
    case BusTransaction::Kind::GeneralCallReset:
        // Every chip on the bus starts over; where its pointer stands then
        // is the chip's business.
        m_pointerAddress = -1;
        break;
    default:
        break;
    }
    m_log.append(t);
    t.count = 0;
    m_bitIndex = 0;
    m_byte = 0;
}

} // namespace zrx
