#pragma once

#include "bus/ftdi/ftdi_pins.h"

#include <QString>

#include <cstddef>
#include <vector>

namespace zrx {

class FtdiDriver;

// The pin states waiting to go out, and the reads that wait for their
// samples. A flush writes the states to the chip, at most
// FtdiDriver::MaxWriteStates a write, and reads one sample back for each; a
// read's answer is its state's sample. The samples go to a read submitted
// ahead of the writes, a window at a time; never more states are written
// past that read than the credit (the samples the chip's read buffer holds).
class FtdiTransferQueue {
public:
    // The samples one read asks for: libftdi's read chunk, and the default
    // size of the USB transfers in which FTDI's Windows driver reads the
    // adapter.
    static constexpr std::size_t ReadWindow = 4096;

    explicit FtdiTransferQueue(FtdiDriver &driver);

    // States written past the read in hand at most: the chip family's read
    // buffer, at least one.
    void set_read_buffer(std::size_t bytes);
    std::size_t credit() const { return m_credit; }

    void push(quint8 state) { m_states.push_back(state); }
    void repeat(quint8 state, std::size_t count) { m_states.insert(m_states.end(), count, state); }
    // The sample of the last state pushed answers `answer`: whether `line`
    // was asserted.
    void read_last_into(ftdi_pins::LinePin line, bool *answer);
    bool empty() const { return m_states.empty(); }

    // Sends what is queued and answers the reads. On failure nothing is
    // answered and the queue keeps its states: see drop().
    bool flush();
    // Forgets the queue; reads not answered get `fallback`.
    void drop(bool fallback);

    // Writes `count` states and reads their samples, outside the queue.
    bool transfer(const quint8 *states, std::size_t count, quint8 *samples);
    QString error_text() const { return m_errorText; }

private:
    struct PendingRead {
        std::size_t sample; // index of the state whose sample answers it
        ftdi_pins::LinePin line;
        bool *answer;
    };

    bool read_back(std::size_t count);

    FtdiDriver &m_driver;
    std::size_t m_credit;
    std::vector<quint8> m_states;
    std::vector<quint8> m_samples;
    std::vector<PendingRead> m_reads;
    QString m_errorText;
};

} // namespace zrx
