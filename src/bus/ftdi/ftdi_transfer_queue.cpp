#include "bus/ftdi/ftdi_transfer_queue.h"

#include "bus/ftdi/ftdi_driver.h"

#include <QCoreApplication>

#include <algorithm>

namespace zrx {
namespace {

using namespace std::chrono_literals;

// A flush that gets no samples for this long has lost the adapter.
constexpr std::chrono::milliseconds SamplePatience = 1000ms;
// Room for the longest group with its pauses (a general call reset: 118
// writes and 59 pauses of 10 states) without growing.
constexpr std::size_t QueueRoom = 4096;

} // namespace

FtdiTransferQueue::FtdiTransferQueue(FtdiDriver &driver)
    : m_driver(driver), m_credit(FtdiDriver::MaxWriteStates)
{
    m_states.reserve(QueueRoom);
    m_samples.reserve(QueueRoom);
    m_reads.reserve(64);
}

// One write at a time is read back before the next goes out, so the
// credit is one write's states, whatever room the chip has beyond it.
void FtdiTransferQueue::set_read_buffer(std::size_t bytes)
{
    m_credit = std::clamp<std::size_t>(bytes, 1, FtdiDriver::MaxWriteStates);
}

void FtdiTransferQueue::read_last_into(ftdi_pins::LinePin line, bool *answer)
{
    Q_ASSERT(!m_states.empty());
    m_reads.push_back({m_states.size() - 1, line, answer});
}

bool FtdiTransferQueue::flush()
{
    if (m_states.empty())
        return true;
    m_samples.resize(m_states.size());
    if (!transfer(m_states.data(), m_states.size(), m_samples.data()))
        return false;
    for (const PendingRead &read : m_reads)
        *read.answer = ftdi_pins::line_asserted(m_samples[read.sample], read.line);
    m_reads.clear();
    m_states.clear();
    return true;
}

void FtdiTransferQueue::drop(bool fallback)
{
    for (const PendingRead &read : m_reads)
        *read.answer = fallback;
    m_reads.clear();
    m_states.clear();
}

bool FtdiTransferQueue::transfer(const quint8 *states, std::size_t count, quint8 *samples)
{
    m_errorText.clear();
    for (std::size_t done = 0; done < count;) {
        const std::size_t chunk = std::min(m_credit, count - done);
        if (!m_driver.submit_read(samples + done, chunk) || !m_driver.submit_write(states + done, chunk)
            || !read_back(chunk)) {
            if (m_errorText.isEmpty())
                m_errorText = m_driver.error_text();
            return false;
        }
        done += chunk;
    }
    return true;
}

// Samples may come a few at a time; only none at all for a while is a
// stall.
bool FtdiTransferQueue::read_back(std::size_t count)
{
    for (int got = 0; std::size_t(got) < count;) {
        const int now = m_driver.wait_read(SamplePatience);
        if (now < 0)
            return false;
        if (now == got) {
            m_errorText = QCoreApplication::translate("FtdiBitBangControl", "the adapter stopped answering");
            return false;
        }
        got = now;
    }
    return true;
}

} // namespace zrx
