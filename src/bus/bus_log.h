#pragma once

#include "bus/bus_transaction.h"

#include <QtGlobal>

#include <functional>
#include <vector>

namespace zrx {

struct BusLogRow {
    qint64 msecsSinceEpoch = 0;
    BusTransaction transaction;
};

// The last `capacity` bus transactions, oldest first. The room grows in a few
// steps up to the capacity and is then reused, so once full, appending never
// allocates: the log runs on every transaction of the program, whether
// anybody looks at it or not.
//
// Rows also carry a sequence number that keeps counting as old rows fall
// out, so a viewer can tell how far the log has moved since it last looked.
class BusLog {
public:
    static constexpr int DefaultCapacity = 10000;
    using Clock = qint64 (*)();

    explicit BusLog(int capacity = DefaultCapacity);

    void append(const BusTransaction &transaction);
    void clear();

    int size() const { return m_size; }
    int capacity() const { return m_capacity; }
    // Row i counted from the oldest kept; i must be below size().
    const BusLogRow &at(int i) const;

    // Sequence number of the oldest kept row, and one past the newest.
    quint64 first_sequence() const { return m_endSequence - quint64(m_size); }
    quint64 end_sequence() const { return m_endSequence; }

    // Tests stop the clock; the program uses the wall clock.
    void set_clock(Clock clock) { m_clock = clock; }
    // Told after every append and clear; nobody by default.
    void set_listener(std::function<void()> listener) { m_listener = std::move(listener); }

private:
    int m_capacity;
    std::vector<BusLogRow> m_rows;
    int m_oldest = 0;
    int m_size = 0;
    quint64 m_endSequence = 0;
    Clock m_clock;
    std::function<void()> m_listener;
};

} // namespace zrx
