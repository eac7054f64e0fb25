#include "bus/ftdi/ftdi_transfer_queue.h"

#include "bus/ftdi/ftdi_driver.h"

#include <QCoreApplication>

#include <algorithm>

namespace zrx {
namespace {

using namespace std::chrono_literals;

// A flush that gets no samples for this long has lost the adapter.
constexpr std::chrono::milliseconds SamplePatience = 1000ms;
// Room for a read-back's 50 transactions (about 7,700 states) without
// growing.
constexpr std::size_t QueueRoom = 16384;

} // namespace

FtdiTransferQueue::FtdiTransferQueue(FtdiDriver &driver)
    : m_driver(driver), m_credit(FtdiDriver::MaxWriteStates)
{
    m_states.reserve(QueueRoom);
    m_samples.reserve(QueueRoom);
    m_reads.reserve(64);
}

// The chip stops clocking states while its read buffer is full, and a
// write it cannot take stalls until the transfer times out: the states in
// flight are kept within that buffer, however many writes they take.
void FtdiTransferQueue::set_read_buffer(std::size_t bytes)
{
    m_credit = std::max<std::size_t>(bytes, 1);
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
    // A read of a window's samples goes out first and stays with the chip,
    // which sends it each sample as it comes; then the window's writes, of
    // at most MaxWriteStates each, and up to a credit of the next window's,
    // whose samples wait in the chip's read buffer until the next read. The
    // chip never has to hold more than that buffer, and never waits for a
    // round trip between windows. One round trip per transfer, not per
    // write.
    std::size_t written = 0;
    for (std::size_t done = 0; done < count;) {
        const std::size_t window = std::min(ReadWindow, count - done);
        bool sent = m_driver.submit_read(samples + done, window);
        const std::size_t ahead = std::min(count, done + window + m_credit);
        while (sent && written < ahead) {
            const std::size_t write = std::min(FtdiDriver::MaxWriteStates, ahead - written);
            sent = m_driver.submit_write(states + written, write);
            written += write;
        }
        if (!sent || !read_back(window)) {
            if (m_errorText.isEmpty())
                m_errorText = m_driver.error_text();
            return false;
        }
        done += window;
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
