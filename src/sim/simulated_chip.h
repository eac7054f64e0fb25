#pragma once

#include <QtGlobal>

#include <array>

namespace zrx {

// A ZRX50346 as its bus pins see it: it is told the clock level and the level
// the port drives on the data line, and answers the data line's level (the
// wired AND of the port and the chip). It knows nothing of modem lines.
//
// The bus side behaves like any two-wire slave: START and STOP are data edges
// while the clock is high, bits are taken on rising clock edges, the chip
// changes what it drives only while the clock is low (on falling edges), it
// pulls data low through the ninth clock of every byte addressed to it, and a
// read byte is shifted out after falling edges. Its address is 111010 + A0
// strap + R/W; it also takes the general call 0x00 (all chips on a bus do).
// Another address makes it ignore everything up to the next START or STOP.
//
// Registers (one pointer byte selects them, 256 places, nothing out of range):
// - 0x00..0x17 hold the 24 channel codes (ten bits);
// - 0x3F holds the number of one-time-programmable banks burned so far,
//   which the program shows as "Max Bank:";
// - everything else reads as 0 unless a test puts a word there.
//
// Transactions:
// - [addr+W, reg]: sets the pointer;
// - [addr+W, reg, mode|d9 d8, d7..d0]: the pointer is set by the second byte,
//   the fourth byte acts on the mode bits (top three of the third byte):
//   100 writes the working register, 010 burns the code into the OTP memory,
//   anything else, or a register above 0x17, is taken (acknowledged) and
//   ignored; bytes after the fourth are acknowledged and ignored;
// - [addr+R] then two bytes: the high and low byte of the pointed register,
//   snapshotted when the address is acknowledged; if the master goes on
//   acknowledging, the same two bytes repeat;
// - general call [0x00, 0x06]: reset.
// Bytes act as soon as they are complete, STOP only ends the transaction.
//
// One-time-programmable memory, as this model has it: OtpBankCount banks of
// 24 codes, all zero when new. The first programming frame after power-up or
// a reset claims the next unburned bank (0x3F counts it at once) and every
// programming frame until the next reset burns its code into that bank; a fuse
// once blown stays blown, so burning a code ORs its bits in. With every bank
// used, programming frames are taken and ignored. Programming does not touch
// the working registers.
//
// Reset (power-up or general call): the channels are reloaded from the last
// bank burned, or cleared before any; the pointer goes back to 0.
class SimulatedChip {
public:
    static constexpr int OtpBankCount = 4;
    static constexpr int ChannelRegisters = 24;
    static constexpr int MaxBankRegister = 0x3F;
    using Bank = std::array<quint16, ChannelRegisters>;

    SimulatedChip();

    // The pins. Clock and data start high (bus idle).
    void set_clock_high(bool high);
    void set_port_data_high(bool high);
    bool data_line_high() const { return m_portDataHigh && !m_drivesLow; }
    bool clock_high() const { return m_clockHigh; }

    // A chip that is absent never drives the data line.
    void set_present(bool present);
    bool present() const { return m_present; }
    // The chip goes away (as set_present(false)) at the STOP of the
    // `frames`-th programming frame from now (1 or more): a contact lost in
    // a burn.
    void leave_after_programming_frames(int frames) { m_programmingFramesBeforeLeaving = frames; }
    // The A0 pin: 0 answers 0xE8/0xE9, 1 answers 0xEA/0xEB.
    void set_a0_strap(int level);
    int a0_strap() const { return m_a0; }

    void power_up();

    quint16 register_word(int pointer) const;
    // Puts an arbitrary word in a register, as if the chip held it; places
    // outside 0x00..0xFF are not registers and are ignored.
    void set_register_word(int pointer, quint16 word);
    int pointer() const { return m_pointer; }

    const std::array<Bank, OtpBankCount> &otp_banks() const { return m_banks; }
    int banks_burned() const { return m_banksBurned; }

    // Transactions addressed to this chip (or the general call) that ended
    // with a STOP.
    int frames_accepted() const { return m_framesAccepted; }

private:
    enum class Phase : quint8 {
        Idle,          // no transaction, or not ours: wait for START
        Address,       // taking the address byte
        Writing,       // taking a data byte from the master
        Acknowledging, // pulling data low through the ninth clock
        Reading,       // shifting a byte out
        MasterAck,     // ninth clock of a read byte: the master answers
    };

    void clock_rose();
    void clock_fell();
    void start_seen();
    void stop_seen();
    void byte_taken();
    void data_byte_taken(quint8 byte);
    void channel_frame_taken();
    void put_read_bit();
    void reset();

    std::array<quint16, 256> m_registers{};
    std::array<Bank, OtpBankCount> m_banks{};
    int m_banksBurned = 0;
    int m_sessionBank = -1;

    Phase m_phase = Phase::Idle;
    bool m_clockHigh = true;
    bool m_portDataHigh = true;
    bool m_drivesLow = false;
    bool m_present = true;
    bool m_addressed = false;
    bool m_generalCall = false;
    bool m_readTransaction = false;
    bool m_masterAcked = false;
    int m_a0 = 0;
    int m_bitCount = 0;
    int m_dataBytes = 0;
    quint8 m_shift = 0;
    quint8 m_pointer = 0;
    std::array<quint8, 3> m_frame{};
    quint16 m_readWord = 0;
    int m_readByte = 0;
    int m_framesAccepted = 0;
    int m_programmingFramesBeforeLeaving = -1; // -1: the chip stays
};

} // namespace zrx
