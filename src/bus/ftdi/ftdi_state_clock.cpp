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

constexpr std::size_t WriteStates = FtdiDriver::MaxWriteStates;
// Repeated states timed at opening, in full writes, against as many writes
// of one state each: the difference is their time on the pins alone.
constexpr std::size_t TimedStates = 32 * WriteStates;

} // namespace

FtdiStateClock::FtdiStateClock(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return std::chrono::steady_clock::now().time_since_epoch(); };
}

// Families whose clock no document gives are found out here.
bool FtdiStateClock::time_states(FtdiTransferQueue &queue, quint8 state)
{
    std::vector<quint8> states(TimedStates, state);
    std::vector<quint8> samples(TimedStates);
    m_errorText.clear();
    const std::chrono::nanoseconds start = m_clock();
    bool answered = queue.transfer(states.data(), TimedStates, samples.data());
    const std::chrono::nanoseconds full = m_clock();
    for (std::size_t i = 0; answered && i < TimedStates / WriteStates; ++i)
        answered = queue.transfer(states.data(), 1, samples.data());
    if (!answered) {
        m_errorText = queue.error_text();
        return false;
    }
    const std::chrono::nanoseconds single = m_clock();
    const auto measured = ((full - start) - (single - full)) / std::int64_t(TimedStates - TimedStates / WriteStates);
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
