#include "bus/bus_log.h"

#include <QDateTime>

namespace zrx {
namespace {

qint64 wall_clock()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

BusLog::BusLog(int capacity) : m_rows(std::size_t(qMax(capacity, 1))), m_clock(wall_clock) {}

void BusLog::append(const BusTransaction &transaction)
{
    const int places = capacity();
    int slot = m_oldest + m_size;
    if (slot >= places)
        slot -= places;
    m_rows[std::size_t(slot)] = {m_clock(), transaction};
    if (m_size < places) {
        ++m_size;
    } else if (++m_oldest == places) {
        // Full: the new row took the oldest one's place.
        m_oldest = 0;
    }
    ++m_endSequence;
    if (m_listener)
        m_listener();
}

void BusLog::clear()
{
    m_oldest = 0;
    m_size = 0;
    if (m_listener)
        m_listener();
}

const BusLogRow &BusLog::at(int i) const
{
    Q_ASSERT(i >= 0 && i < m_size);
    int slot = m_oldest + i;
    if (slot >= capacity())
        slot -= capacity();
    return m_rows[std::size_t(slot)];
}

} // namespace zrx
