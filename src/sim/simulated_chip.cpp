#include "sim/simulated_chip.h"

namespace zrx {
namespace {

constexpr quint8 DeviceAddressBase = 0xE8; // 111010 A0 R/W with A0 = 0, write
constexpr quint8 GeneralCallAddress = 0x00;
constexpr quint8 GeneralCallReset = 0x06;
constexpr quint8 RegisterWriteMode = 0b100;
constexpr quint8 OtpProgramMode = 0b010;

} // namespace

SimulatedChip::SimulatedChip()
{
    power_up();
}

void SimulatedChip::set_clock_high(bool high)
{
    if (high == m_clockHigh)
        return;
    m_clockHigh = high;
    if (!m_present)
        return;
    if (high)
        clock_rose();
    else
        clock_fell();
}

void SimulatedChip::set_port_data_high(bool high)
{
    const bool before = data_line_high();
    m_portDataHigh = high;
    const bool after = data_line_high();
    // The chip itself only changes the line while the clock is low, so a data
    // edge under a high clock is always the master's START or STOP.
    if (!m_present || !m_clockHigh || before == after)
        return;
    if (after)
        stop_seen();
    else
        start_seen();
}

void SimulatedChip::set_present(bool present)
{
    m_present = present;
    m_drivesLow = false;
    m_addressed = false;
    m_phase = Phase::Idle;
}

void SimulatedChip::set_a0_strap(int level)
{
    m_a0 = level ? 1 : 0;
}

void SimulatedChip::power_up()
{
    m_phase = Phase::Idle;
    m_drivesLow = false;
    m_addressed = false;
    reset();
}

quint16 SimulatedChip::register_word(int pointer) const
{
    if (pointer < 0 || pointer >= int(m_registers.size()))
        return 0;
    return m_registers[pointer];
}

void SimulatedChip::set_register_word(int pointer, quint16 word)
{
    if (pointer < 0 || pointer >= int(m_registers.size()))
        return;
    m_registers[pointer] = word;
}

void SimulatedChip::clock_rose()
{
    switch (m_phase) {
    case Phase::Address:
    case Phase::Writing:
        if (m_bitCount < 8) {
            m_shift = quint8((m_shift << 1) | (data_line_high() ? 1 : 0));
            ++m_bitCount;
        }
        break;
    case Phase::MasterAck:
        m_masterAcked = !data_line_high();
        break;
    case Phase::Idle:
    case Phase::Acknowledging:
    case Phase::Reading:
        break;
    }
}

void SimulatedChip::clock_fell()
{
    switch (m_phase) {
    case Phase::Address:
    case Phase::Writing:
        if (m_bitCount == 8)
            byte_taken();
        break;
    case Phase::Acknowledging:
        // The ninth clock is over.
        m_drivesLow = false;
        m_bitCount = 0;
        m_shift = 0;
        if (m_readTransaction) {
            m_readByte = 0;
            m_phase = Phase::Reading;
            put_read_bit();
        } else {
            m_phase = Phase::Writing;
        }
        break;
    case Phase::Reading:
        if (m_bitCount < 8) {
            put_read_bit();
        } else {
            m_drivesLow = false; // the master's turn to acknowledge
            m_phase = Phase::MasterAck;
        }
        break;
    case Phase::MasterAck:
        if (m_masterAcked) {
            m_readByte ^= 1;
            m_bitCount = 0;
            m_phase = Phase::Reading;
            put_read_bit();
        } else {
            // Not acknowledged: the master is done; STOP follows.
            m_phase = Phase::Idle;
        }
        break;
    case Phase::Idle:
        break;
    }
}

void SimulatedChip::start_seen()
{
    m_drivesLow = false;
    m_addressed = false;
    m_generalCall = false;
    m_readTransaction = false;
    m_bitCount = 0;
    m_shift = 0;
    m_dataBytes = 0;
    m_phase = Phase::Address;
}

void SimulatedChip::stop_seen()
{
    if (m_addressed)
        ++m_framesAccepted;
    m_addressed = false;
    m_drivesLow = false;
    m_phase = Phase::Idle;
    if (m_programmingFramesBeforeLeaving == 0) {
        m_programmingFramesBeforeLeaving = -1;
        set_present(false);
    }
}

// Clock has just fallen after the eighth bit of a byte.
void SimulatedChip::byte_taken()
{
    if (m_phase == Phase::Address) {
        const quint8 own = quint8(DeviceAddressBase | (m_a0 << 1));
        if ((m_shift & 0xFE) == own) {
            m_readTransaction = (m_shift & 1) != 0;
            m_readWord = m_registers[m_pointer];
        } else if (m_shift == GeneralCallAddress) {
            m_generalCall = true;
        } else {
            m_phase = Phase::Idle; // someone else's: sit it out
            return;
        }
        m_addressed = true;
    } else {
        data_byte_taken(m_shift);
    }
    m_drivesLow = true;
    m_phase = Phase::Acknowledging;
}

void SimulatedChip::data_byte_taken(quint8 byte)
{
    const int index = m_dataBytes;
    if (m_dataBytes < int(m_frame.size()) + 1)
        ++m_dataBytes;
    if (m_generalCall) {
        if (index == 0 && byte == GeneralCallReset)
            reset();
        return;
    }
    if (index < int(m_frame.size()))
        m_frame[index] = byte;
    if (index == 0)
        m_pointer = byte;
    else if (index == 2)
        channel_frame_taken();
}

void SimulatedChip::channel_frame_taken()
{
    const int reg = m_frame[0];
    const quint8 mode = m_frame[1] >> 5;
    const quint16 code = quint16(((m_frame[1] & 0x03) << 8) | m_frame[2]);
    if (reg >= ChannelRegisters)
        return;
    if (mode == RegisterWriteMode) {
        m_registers[reg] = code;
    } else if (mode == OtpProgramMode) {
        if (m_programmingFramesBeforeLeaving > 0)
            --m_programmingFramesBeforeLeaving;
        if (m_sessionBank < 0) {
            if (m_banksBurned >= OtpBankCount)
                return;
            m_sessionBank = m_banksBurned++;
            m_registers[MaxBankRegister] = quint16(m_banksBurned);
        }
        m_banks[m_sessionBank][reg] |= code;
    }
}

// Clock is low: put the next bit of the read word on the line.
void SimulatedChip::put_read_bit()
{
    const quint8 byte = m_readByte == 0 ? quint8(m_readWord >> 8) : quint8(m_readWord & 0xFF);
    const bool one = ((byte >> (7 - m_bitCount)) & 1) != 0;
    m_drivesLow = !one;
    ++m_bitCount;
}

void SimulatedChip::reset()
{
    const Bank loaded = m_banksBurned > 0 ? m_banks[m_banksBurned - 1] : Bank{};
    for (int reg = 0; reg < ChannelRegisters; ++reg)
        m_registers[reg] = loaded[reg];
    m_registers[MaxBankRegister] = quint16(m_banksBurned);
    m_sessionBank = -1;
    m_pointer = 0;
}

} // namespace zrx
