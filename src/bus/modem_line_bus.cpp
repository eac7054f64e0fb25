#include "bus/modem_line_bus.h"

namespace zrx {
namespace {

// How the bus lines map onto the port's modem lines. All three are inverted:
// asserting a modem line pulls its bus line low. This is the only place that
// knows it.
struct LineSense {
    bool clockAssertedIsLow;
    bool dataAssertedIsLow;
    bool dsrAssertedIsLow;
};
constexpr LineSense Sense{true, true, true};

// Whether a DSR sample shows the data line low.
bool reads_low(bool dsrAsserted)
{
    return dsrAsserted == Sense.dsrAssertedIsLow;
}

// A pause of the stand-alone operations: a fixed number of empty passes that
// neither yields nor reads a clock, a few microseconds on a current machine.
constexpr int BusDelayLoopPasses = 200;
// Written by every pass; volatile keeps the compiler from removing the loop.
volatile int busDelayPass = 0;

} // namespace

ModemLineBus::ModemLineBus(ModemLines &lines, AnswerChecks checks)
    : m_lines(lines), m_checksAnswers(checks == AnswerChecks::On)
{
}

int ModemLineBus::bit_of(const QString &bits, int i)
{
    return i >= 1 && i <= bits.size() && bits.at(i - 1) == QLatin1Char('1') ? 1 : 0;
}

bool ModemLineBus::bus_data_level(int bit)
{
    return bit != 1;
}

QString ModemLineBus::device_address(const QString &A0Setting, bool read)
{
    return QStringLiteral("111010") + A0Setting + (read ? QLatin1Char('1') : QLatin1Char('0'));
}

void ModemLineBus::set_clock_low(bool low)
{
    m_lines.set_dtr(low == Sense.clockAssertedIsLow);
}

void ModemLineBus::set_data_low(bool low)
{
    m_lines.set_rts(low == Sense.dataAssertedIsLow);
}

ModemLineBus::TransactionSamples &ModemLineBus::current()
{
    if (m_waiting.empty() || m_waiting.back().ended) {
        m_waiting.emplace_back();
        m_waiting.back().group = m_groups.size();
    }
    return m_waiting.back();
}

void ModemLineBus::end_of_transaction()
{
    TransactionSamples &samples = current();
    samples.ended = true;
    // Just after the STOP both lines are released and every chip has let go
    // of the data line: it must read high now.
    if (m_checksAnswers)
        m_lines.read_dsr_into(samples.idle);
    if (!m_groups.empty())
        return;
    m_lines.flush_lines();
    take_samples();
}

void ModemLineBus::take_samples()
{
    for (const TransactionSamples &samples : m_waiting) {
        take_answers(samples);
        if (!samples.readsWord)
            continue;
        int word = 0;
        for (int i = 1; i <= 16; ++i) {
            RxBits[i] = reads_low(samples.readBits[std::size_t(i)]) ? 0 : 1;
            word = (word << 1) | RxBits[i];
        }
        LastReadWord = word;
        if (samples.group > 0 && samples.group <= m_groups.size())
            m_groups[samples.group - 1].push_back(word);
    }
    m_waiting.clear();
}

void ModemLineBus::begin_group()
{
    m_groups.emplace_back();
}

// The flush may lose the port, whose handlers may run transactions (and
// groups) of their own: this group stays open until its words are all in.
std::vector<int> ModemLineBus::end_group()
{
    Q_ASSERT(!m_groups.empty());
    m_lines.flush_lines();
    take_samples();
    std::vector<int> words = std::move(m_groups.back());
    m_groups.pop_back();
    return words;
}

// A START begun again before the STOP (bus_start after start_sequence)
// starts the count over in the same transaction.
void ModemLineBus::transaction_begins()
{
    TransactionSamples &samples = current();
    samples.addressByte = 0;
    samples.acksSampled = 0;
    m_bitsWritten = 0;
}

void ModemLineBus::bit_written(int bit)
{
    if (m_bitsWritten < 8) {
        TransactionSamples &samples = current();
        samples.addressByte = (samples.addressByte << 1) | (bit == 1 ? 1 : 0);
    }
    ++m_bitsWritten;
}

// The clock is high in the chip's ninth cell here.
void ModemLineBus::sample_acknowledge()
{
    TransactionSamples &samples = current();
    if (m_checksAnswers && samples.acksSampled < int(samples.acks.size()))
        m_lines.read_dsr_into(samples.acks[std::size_t(samples.acksSampled++)]);
}

void ModemLineBus::take_answers(const TransactionSamples &samples)
{
    if (!m_checksAnswers)
        return;
    if (reads_low(samples.idle))
        m_answers.dataLineHeld = true;
    if (samples.acksSampled == 0)
        return;
    bool acknowledged = true;
    for (int i = 0; i < samples.acksSampled; ++i)
        acknowledged = acknowledged && reads_low(samples.acks[std::size_t(i)]);
    if (acknowledged) {
        if (m_answers.unacknowledgedAddress < 0)
            ++m_answers.acknowledgedTransactions;
        return;
    }
    if (m_answers.unacknowledgedAddress < 0)
        m_answers.unacknowledgedAddress = samples.addressByte;
    ++m_answers.unacknowledgedTransactions;
}

// Bus idle or not, any state: ends with clock high and data low (START made).
void ModemLineBus::start_sequence()
{
    transaction_begins();
    set_data_low(false);
    set_clock_low(false);
    set_data_low(true); // data falls while the clock is high: START
    set_clock_low(false);
}

// Clock is high or low here; ends with the clock low and the bit on the line.
void ModemLineBus::bit_cell(int bit)
{
    const bool low = bus_data_level(bit);
    bit_written(bit);
    set_clock_low(true);
    set_data_low(low);
    set_clock_low(false); // the chip samples
    set_data_low(low);
    set_clock_low(true);
    set_data_low(low);
}

// Clock is low here; the ninth clock with the data released. The chip's
// answer is sampled only with answer checks.
void ModemLineBus::bus_ack_clock()
{
    set_data_low(false);
    set_clock_low(true);
    set_data_low(false);
    set_clock_low(false);
    set_data_low(false);
    sample_acknowledge();
    set_clock_low(true);
}

// Leaves the clock high after the sample; the next cell takes it low.
void ModemLineBus::bus_read_bit(int position)
{
    Q_ASSERT(position >= 1 && position <= 16);
    set_data_low(false);
    set_clock_low(true); // the chip shifts out its bit
    set_data_low(false);
    set_clock_low(true);
    set_data_low(false);
    set_clock_low(false);
    TransactionSamples &samples = current();
    samples.readsWord = true;
    m_lines.read_dsr_into(samples.readBits[std::size_t(position)]);
}

void ModemLineBus::master_ack()
{
    set_data_low(false);
    set_clock_low(true);
    set_data_low(true); // ACK
    set_clock_low(true);
    set_data_low(true);
    set_clock_low(false); // ninth clock
    set_data_low(true);
    set_clock_low(true);
}

void ModemLineBus::master_nack_and_stop()
{
    set_data_low(false);
    set_clock_low(true);
    set_data_low(false); // NACK
    set_clock_low(false); // ninth clock
    set_data_low(false);
    set_clock_low(true);
    set_data_low(true);
    set_clock_low(false);
    set_data_low(false); // data rises while the clock is high: STOP
    set_clock_low(false);
    end_of_transaction();
}

// Clock is low here (after an acknowledge clock); ends with the bus idle.
void ModemLineBus::stop_sequence()
{
    set_data_low(true);
    set_clock_low(true);
    set_data_low(true);
    set_clock_low(false);
    set_data_low(false); // STOP
    set_clock_low(false);
    end_of_transaction();
}

void ModemLineBus::bus_clear()
{
    transaction_begins();
    set_data_low(false);
    for (int pulse = 0; pulse < 9; ++pulse) {
        set_clock_low(true);
        set_clock_low(false);
    }
    set_clock_low(true);
    set_data_low(true);
    set_clock_low(false);
    set_data_low(false); // data rises while the clock is high: STOP
    end_of_transaction();
}

void ModemLineBus::bus_delay()
{
    m_lines.hold_lines(BusDelayHold);
    for (int pass = 1; pass <= BusDelayLoopPasses; ++pass)
        busDelayPass = pass;
}

void ModemLineBus::bus_start()
{
    transaction_begins();
    set_data_low(false);
    set_clock_low(false);
    bus_delay();
    set_data_low(true);
    set_clock_low(false);
    bus_delay();
}

void ModemLineBus::bus_stop()
{
    set_data_low(true);
    set_clock_low(true);
    bus_delay();
    set_data_low(true);
    set_clock_low(false);
    bus_delay();
    set_data_low(false);
    set_clock_low(false);
    bus_delay();
    end_of_transaction();
}

void ModemLineBus::bus_write_bit(int bit)
{
    bit_written(bit);
    paced_cell(bit, false);
}

void ModemLineBus::bus_write_ack_cell()
{
    paced_cell(1, true);
}

// The clock is written before the data in each pair.
void ModemLineBus::paced_cell(int bit, bool acknowledge)
{
    const bool low = bus_data_level(bit);
    set_clock_low(true);
    set_data_low(low);
    bus_delay();
    set_clock_low(false);
    set_data_low(low);
    bus_delay();
    if (acknowledge)
        sample_acknowledge();
    set_clock_low(true);
    set_data_low(low);
    bus_delay();
}

void ModemLineBus::bus_write_pointer(const QString &address, const QString &data)
{
    for (int i = 1; i <= 8; ++i) {
        TxBits[i] = bit_of(address, i);
        TxBits[8 + i] = bit_of(data, i);
    }
    start_sequence();
    for (int i = 1; i <= 8; ++i)
        bit_cell(TxBits[i]);
    bus_ack_clock();
    for (int i = 9; i <= 16; ++i)
        bit_cell(TxBits[i]);
    bus_ack_clock();
    stop_sequence();
}

void ModemLineBus::bus_read_word(const QString &address)
{
    for (int i = 1; i <= 8; ++i)
        TxBits[i] = bit_of(address, i);
    start_sequence();
    for (int i = 1; i <= 8; ++i)
        bit_cell(TxBits[i]);
    bus_ack_clock();
    for (int i = 1; i <= 8; ++i)
        bus_read_bit(i);
    master_ack();
    for (int i = 9; i <= 16; ++i)
        bus_read_bit(i);
    master_nack_and_stop();
}

// RxBits and LastReadWord follow once the word's transaction is flushed.
void ModemLineBus::read_register_word(const QString &A0Setting)
{
    bus_read_word(device_address(A0Setting, true));
}

// The pointer goes in a write transaction of its own, then the word is read
// in a second one starting with a fresh START (no repeated START).
void ModemLineBus::read_register_5bit(const QString &registerBits, const QString &A0Setting)
{
    bus_write_pointer(device_address(A0Setting, false), QStringLiteral("000") + registerBits);
    read_register_word(A0Setting);
}

void ModemLineBus::read_register_6bit(const QString &registerBits, const QString &A0Setting)
{
    bus_write_pointer(device_address(A0Setting, false), QStringLiteral("00") + registerBits);
    read_register_word(A0Setting);
}

} // namespace zrx
