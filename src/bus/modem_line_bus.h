#pragma once

#include "bus/modem_lines.h"

#include <QString>

#include <array>
#include <chrono>
#include <deque>
#include <vector>

namespace zrx {

// The two-wire bus clocked by hand on the modem lines: DTR is the clock, RTS
// drives the data line, DSR reads it back, all three inverted.
//
// Layers, each built only on the one below: a line write -> the inline
// sequences (START, bit cell, acknowledge clock, read bit, STOP) -> bytes ->
// transactions. Every transaction leaves both lines released (bus idle).
//
// Built without answer checks (the window's bus), acknowledges are clocked but
// never sampled, so a silent chip reads as 0xFFFF. With them (the tool's), DSR
// is also read while the chip's ninth clock of every written byte is high,
// and once more right after every STOP, when nothing may hold the data line
// low; what those reads showed is kept in answers(). The checks read and
// never write: the lines driven are the same either way.
//
// Every STOP (and the end of bus_clear) ends with flush_lines(), so a port
// that queues the line operations sends one transaction at a time;
// DSR is read into samples of that transaction, which count only after the
// flush. Between begin_group() and end_group() the STOPs do not flush: a
// queuing port gets the whole group at once and its USB round trips overlap,
// and the words and answers of every transaction in it count at end_group().
// What the chip's side of the bus showed, with answer checks, since the last
// forget_answers(). A transaction counts once its group has been flushed.
struct BusAnswers {
    // Transactions whose written bytes were all acknowledged, up to the first
    // that had a byte nobody acknowledged.
    int acknowledgedTransactions = 0;
    // The address byte of that first transaction (0x00 for the general
    // call); -1 while every written byte was acknowledged.
    int unacknowledgedAddress = -1;
    // Transactions with a byte nobody acknowledged, the first included.
    int unacknowledgedTransactions = 0;
    // After a STOP the data line still read low: no chip holds it there
    // while the bus is idle, so DSR does not follow this bus (no board, a
    // broken wire, the wrong port).
    bool dataLineHeld = false;
};

class ModemLineBus {
public:
    enum class AnswerChecks : bool { Off, On };
    explicit ModemLineBus(ModemLines &lines, AnswerChecks checks = AnswerChecks::Off);

    // Bit i (1-based, as the frames count) of a byte string: only a '1' is a
    // one; any other or missing character is a zero.
    static int bit_of(const QString &bits, int i);

    // The RTS value that puts a data bit on the line: only 1 releases it.
    static bool bus_data_level(int bit);

    // The device address byte "111010" & A0 & R/W as a bit string.
    static QString device_address(const QString &A0Setting, bool read);

    // Inline sequences: back-to-back line writes, no pauses.
    void start_sequence();
    void bit_cell(int bit);
    void bus_ack_clock();
    // Samples the bit the chip sends into the sample of RxBits(position),
    // which counts once the transaction is flushed.
    void bus_read_bit(int position);
    void master_ack();
    void master_nack_and_stop();
    void stop_sequence();

    // Brings a chip that was cut off in the middle of a transaction back to
    // idle: nine clocks with the data released let it finish a byte it was
    // sending and see a not-acknowledge, then a STOP. Ends with the bus idle.
    void bus_clear();

    // Stand-alone operations: a bus_delay after every second line write.
    void bus_start();
    void bus_stop();
    void bus_write_bit(int bit);
    // bus_write_bit(1) in the ninth cell of a byte: the data released for
    // the chip's acknowledge, which the answer checks sample.
    void bus_write_ack_cell();
    // A busy pause; a queuing port holds the lines for BusDelayHold instead.
    void bus_delay();

    // Transactions. Byte strings are 8 characters of '0'/'1', most significant
    // bit first; any other or missing character is a 0 bit.
    void bus_write_pointer(const QString &address, const QString &data);
    void bus_read_word(const QString &address);
    void read_register_word(const QString &A0Setting);
    void read_register_5bit(const QString &registerBits, const QString &A0Setting);
    void read_register_6bit(const QString &registerBits, const QString &A0Setting);

    // Transactions whose answers can wait (a read-back's reads): see the
    // class comment. end_group() flushes and returns the words read in the
    // group, in order; RxBits and LastReadWord are then the last one's. A
    // group begun inside another (by a handler that runs while the window
    // keeps itself painted) flushes at its own end, and each group keeps its
    // own words.
    void begin_group();
    std::vector<int> end_group();

    // Index 0 is never used: positions count from 1 as the frames number them.
    std::array<int, 51> TxBits{};
    std::array<int, 18> RxBits{};
    int LastReadWord = 0;

    const BusAnswers &answers() const { return m_answers; }
    void forget_answers() { m_answers = {}; }

    // What a port that queues line states holds the lines for in bus_delay:
    // at least what its 200 empty passes take on any machine the program may
    // run on, a few microseconds at most now and some tens on the slowest
    // PCs of the chip's time. 50 us covers that and still costs little (the
    // general call's 59 pauses add 3 ms).
    static constexpr std::chrono::microseconds BusDelayHold{50};

private:
    // What DSR showed during one transaction, true = asserted, filled by
    // the port at the flush.
    struct TransactionSamples {
        // At each read bit, index as in RxBits.
        std::array<bool, 18> readBits{};
        bool readsWord = false;
        // At the acknowledges of the written bytes (four at most: a channel
        // frame) and right after the STOP.
        std::array<bool, 4> acks{};
        int acksSampled = 0;
        bool idle = false;
        int addressByte = 0; // the first eight bits written
        bool ended = false;
        std::size_t group = 0; // the open groups when it began: its word goes to the innermost
    };

    void set_clock_low(bool low);
    void set_data_low(bool low);
    // The transaction under way, a new one when none is.
    TransactionSamples &current();
    // Closes a transaction's line operations; flushes unless in a group.
    void end_of_transaction();
    // After the flush: RxBits, LastReadWord and answers from every
    // transaction waiting for its samples, in order.
    void take_samples();
    // A new transaction: its address byte and acknowledges start over.
    void transaction_begins();
    void bit_written(int bit);
    // A stand-alone bit cell; in the ninth cell of a byte, `acknowledge`
    // samples the chip's answer while the clock is high.
    void paced_cell(int bit, bool acknowledge);
    // DSR while the ninth clock of a written byte is high.
    void sample_acknowledge();
    // After the flush: a transaction's acknowledges and idle line into m_answers.
    void take_answers(const TransactionSamples &samples);

    ModemLines &m_lines;
    const bool m_checksAnswers;
    // Oldest first; a deque, because the port holds references into it
    // until the flush.
    std::deque<TransactionSamples> m_waiting;
    // The words of each open group, the outermost first.
    std::vector<std::vector<int>> m_groups;
    int m_bitsWritten = 0; // since the START; the first eight are the address
    BusAnswers m_answers;
};

} // namespace zrx
