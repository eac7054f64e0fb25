#pragma once

#include <QString>

#include <chrono>
#include <cstddef>
#include <functional>

#include <QtGlobal>

namespace zrx {

class FtdiTransferQueue;

// How long one bit-bang state lasts on the adapter taken: its family's
// figure, checked against the adapter's own clock at opening. Bus pauses
// become repeats of a state, counted in this time.
class FtdiStateClock {
public:
    // A monotonic clock; the tests hand in the fake adapter's.
    using Clock = std::function<std::chrono::nanoseconds()>;

    explicit FtdiStateClock(Clock clock);

    // The family's state time, before any timing.
    void start_from(std::chrono::nanoseconds familyPeriod) { m_period = familyPeriod; }
    // Times the adapter with repeats of `state`, which move no line; false
    // when the transfers fail, the figure is absurd ("could not be timed")
    // or the states are too short for the bus.
    bool time_states(FtdiTransferQueue &queue, quint8 state);
    std::chrono::nanoseconds period() const { return m_period; }
    // The states that last at least `duration`.
    std::size_t states_for(std::chrono::nanoseconds duration) const;
    QString error_text() const { return m_errorText; }

private:
    Clock m_clock;
    std::chrono::nanoseconds m_period{0};
    QString m_errorText;
};

} // namespace zrx
