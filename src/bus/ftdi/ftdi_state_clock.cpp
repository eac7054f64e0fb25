#include "bus/ftdi/ftdi_state_clock.h"

#include "bus/ftdi/ftdi_chip_family.h"
#include "bus/ftdi/ftdi_driver.h"
#include "bus/ftdi/ftdi_transfer_queue.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zrx {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t WriteStates = FtdiDriver::MaxWriteStates;
// Full writes timed at opening, each read back on its own, against as many
// writes of one state: both take the same transfers, so the difference is
// the extra states' time on the pins alone. Four keep the opening's cost
// near 20 ms at 1 ms per USB transfer (16 transfers, 256 states).
constexpr std::size_t TimedWrites = 4;
constexpr std::size_t ExtraStates = TimedWrites * (WriteStates - 1);
// Longer than any family's state by far: such a figure is the clock's or the
// USB's doing, not the chip's.
constexpr std::chrono::nanoseconds LongestState = 1ms;

} // namespace

FtdiStateClock::FtdiStateClock(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return std::chrono::steady_clock::now().time_since_epoch(); };
}

// Families whose clock no document gives are found out here.
bool FtdiStateClock::time_states(FtdiTransferQueue &queue, quint8 state)
{
    std::vector<quint8> states(WriteStates, state);
    std::vector<quint8> samples(WriteStates);
    m_errorText.clear();
    const auto timed = [&](std::size_t perWrite) {
        const std::chrono::nanoseconds start = m_clock();
        for (std::size_t i = 0; i < TimedWrites; ++i) {
            if (!queue.transfer(states.data(), perWrite, samples.data()))
                return std::chrono::nanoseconds(-1);
        }
        return m_clock() - start;
    };
    const std::chrono::nanoseconds full = timed(WriteStates);
    const std::chrono::nanoseconds single = full.count() < 0 ? full : timed(1);
    if (single.count() < 0) {
        m_errorText = queue.error_text();
        return false;
    }
    const std::chrono::nanoseconds measured = (full - single) / std::int64_t(ExtraStates);
    if (measured <= 0ns || measured > LongestState) {
        m_errorText = QCoreApplication::translate("FtdiBitBangControl", "the adapter's line states could not be timed");
        return false;
    }
    if (measured < ShortestState) {
        m_errorText = QCoreApplication::translate("FtdiBitBangControl",
                                                  "the adapter's line states last %1 us, shorter than the 5 us the "
                                                  "bus needs")
                          .arg(double(measured.count()) / 1000.0, 0, 'f', 2);
        return false;
    }
    // Pauses are counted in states of the shorter of the two.
    m_period = std::min(m_period, measured);
    return true;
}

std::size_t FtdiStateClock::states_for(std::chrono::nanoseconds duration) const
{
    const std::int64_t states = (duration.count() + m_period.count() - 1) / m_period.count();
    return std::size_t(std::max<std::int64_t>(states, 0));
}

} // namespace zrx
