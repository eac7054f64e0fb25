#include "bus/bus_log.h"

#include <QDateTime>

namespace zrx {
namespace {

qint64 wall_clock()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

BusLog::BusLog(int capacity) : m_capacity(qMax(capacity, 1)), m_clock(wall_clock) {}

void BusLog::append(const BusTransaction &transaction)
{
    const BusLogRow row{m_clock(), transaction};
    if (m_size < m_capacity) {
        // Still filling: grow in steps (never past the capacity), so a session
        // that hardly touches the bus doesn't pay for 10000 rows.
        if (m_rows.size() == m_rows.capacity())
            m_rows.reserve(std::size_t(qMin(m_capacity, qMax(256, 2 * m_size))));
        m_rows.push_back(row);
        ++m_size;
    } else {
        // Full: the new row takes the oldest one's place.
        m_rows[std::size_t(m_oldest)] = row;
        if (++m_oldest == m_capacity)
            m_oldest = 0;
    }
    ++m_endSequence;
    if (m_listener)
        m_listener();
}

void BusLog::clear()
{
    m_rows.clear();
    m_oldest = 0;
    m_size = 0;
    if (m_listener)
        m_listener();
}

const BusLogRow &BusLog::at(int i) const
{
    Q_ASSERT(i >= 0 && i < m_size);
    int slot = m_oldest + i;
    if (slot >= m_capacity)
        slot -= m_capacity;
    return m_rows[std::size_t(slot)];
}

} // namespace zrx
