#include "device/chip.h"

#include "core/bit_strings.h"
#include "core/conversions.h"
#include "core/wait_seconds.h"

namespace zrx {
namespace {

// Mode bits at the head of the third byte: what the chip does with the code.
const QString RegisterWriteMode = QStringLiteral("100");
const QString OtpProgramMode = QStringLiteral("010");

// Register 0x3F holds the count shown as "Max Bank:".
const QString MaxBankRegister = QStringLiteral("111111");

// The pause that opens every read-back. Timers and repaints run inside it,
// but clicks and keys wait for the whole command: a Program OTP clicked
// during Change Address must burn the codes read from the new chip.
constexpr double ReadBackPauseSeconds = 0.1;

// What a word reads as when nothing drives the data line.
constexpr int NoAnswerWord = 0xFFFF;

// START, then the four bytes each with its acknowledge clock, no pauses.
// Leaves the clock low after the last acknowledge clock.
void clock_out_frame(ModemLineBus &bus, const QString &mode, const QString &low, const QString &high,
                     const QString &address, const QString &registerBits)
{
    const QString third = mode + high.right(5);
    for (int i = 1; i <= 8; ++i) {
        bus.TxBits[i] = ModemLineBus::bit_of(address, i);
        bus.TxBits[8 + i] = ModemLineBus::bit_of(registerBits, i);
        bus.TxBits[16 + i] = ModemLineBus::bit_of(third, i);
        bus.TxBits[24 + i] = ModemLineBus::bit_of(low, i);
    }
    bus.start_sequence();
    for (int byte = 0; byte < 4; ++byte) {
        for (int i = 1; i <= 8; ++i)
            bus.bit_cell(bus.TxBits[byte * 8 + i]);
        bus.bus_ack_clock();
    }
}

bool is_channel(int channel)
{
    return channel >= FirstChannel && channel <= LastChannel;
}

// Registers a read-back reads: the 24 channels and Max Bank.
constexpr int ReadBackRegisters = ChannelCount + 1;

void tell(BusWorkObserver *observer, BusWorkStep::Kind kind, int done, int total = 0, const QString &name = {})
{
    if (observer)
        observer->bus_work_step({kind, done, total, name});
}

void tell(Chip &chip, BusWorkStep::Kind kind, int done, int total = 0, const QString &name = {})
{
    tell(chip.observer, kind, done, total, name);
}

} // namespace

void write_channel_frame(ModemLineBus &bus, const QString &low, const QString &high,
                         const QString &address, const QString &registerBits)
{
    clock_out_frame(bus, RegisterWriteMode, low, high, address, registerBits);
    bus.bus_delay();
    bus.bus_stop();
}

void program_channel_frame(ModemLineBus &bus, const QString &low, const QString &high,
                           const QString &address, const QString &registerBits)
{
    clock_out_frame(bus, OtpProgramMode, low, high, address, registerBits);
    bus.bus_stop();
}

void write_channel(Chip &chip)
{
    const int channel = chip.table.CurrentChannel;
    Q_ASSERT(is_channel(channel));
    if (!is_channel(channel))
        return;
    tell(chip, BusWorkStep::Kind::WritingChannel, channel);
    const QString registerBits = decmal_to_binary8(channel - 1);
    const CodeStrings code = split_code(chip.table.ChannelCode[channel]);
    write_channel_frame(chip.bus, code.CodeLowString, code.CodeHighString,
                        ModemLineBus::device_address(chip.table.A0Setting, false), registerBits);
}

void read_max_bank(Chip &chip)
{
    chip.bus.read_register_6bit(MaxBankRegister, chip.table.A0Setting);
    chip.view.set_max_bank_text(QString::number(chip.bus.LastReadWord));
}

// The 50 transactions go out as one group: none depends on a word read, so
// a queuing port sends them back to back, and the words are taken at the
// end. On a port that answers every call at once the steps are told as the
// registers are read.
ChipRegisters read_chip_registers(ModemLineBus &bus, const QString &A0Setting, BusWorkObserver *observer)
{
    bus.begin_group();
    for (int i = 0; i < ChannelCount; ++i) {
        bus.read_register_5bit(decimal_to_binary5(i), A0Setting);
        tell(observer, BusWorkStep::Kind::ReadingRegister, i + 1, ReadBackRegisters);
    }
    bus.read_register_6bit(MaxBankRegister, A0Setting);
    // The group holds exactly these 25 reads (a nested group keeps its own).
    const std::vector<int> words = bus.end_group();
    Q_ASSERT(words.size() == std::size_t(ReadBackRegisters));
    ChipRegisters registers;
    bool everyWordFFFF = true;
    for (int i = 0; i < ChannelCount; ++i) {
        registers.ChannelWords[i] = words.at(std::size_t(i));
        everyWordFFFF = everyWordFFFF && registers.ChannelWords[i] == NoAnswerWord;
    }
    registers.MaxBank = words.at(ChannelCount);
    registers.EveryWordFFFF = everyWordFFFF && registers.MaxBank == NoAnswerWord;
    tell(observer, BusWorkStep::Kind::ReadingRegister, ReadBackRegisters, ReadBackRegisters);
    return registers;
}

void read_all_channels(Chip &chip)
{
    wait_seconds(ReadBackPauseSeconds, PauseInput::Held);
    const QString A0Setting = chip.table.A0Setting;
    const ChipRegisters registers = read_chip_registers(chip.bus, A0Setting, chip.observer);
    for (int i = 0; i < ChannelCount; ++i)
        chip.table.ChannelCode[i + 1] = registers.ChannelWords[i];
    chip.view.set_max_bank_text(QString::number(registers.MaxBank));
    chip.LastReadBack = {true, registers.EveryWordFFFF, A0Setting};
    refresh_channels(chip.table, chip.view);
}

void general_call_reset(ModemLineBus &bus)
{
    // 0x00 and 0x06, each followed by a released acknowledge cell.
    static constexpr int Bytes[2][8] = {{0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 1, 1, 0}};
    bus.bus_start();
    for (const auto &byte : Bytes) {
        for (const int bit : byte)
            bus.bus_write_bit(bit);
        bus.bus_write_ack_cell();
    }
    bus.bus_stop();
}

void program_otp_channels(Chip &chip)
{
    const QString address = ModemLineBus::device_address(chip.table.A0Setting, false);
    for (int channel = FirstChannel; channel <= LastChannel; ++channel) {
        const QString registerBits = decmal_to_binary8(channel - 1);
        const CodeStrings code = split_code(chip.table.ChannelCode[channel]);
        program_channel_frame(chip.bus, code.CodeLowString, code.CodeHighString, address, registerBits);
        tell(chip, BusWorkStep::Kind::ProgrammingOtp, channel, ChannelCount);
    }
}

void reset_and_read_back(Chip &chip)
{
    tell(chip, BusWorkStep::Kind::Resetting, 0);
    general_call_reset(chip.bus);
    read_all_channels(chip);
}

void program_otp_and_reset(Chip &chip)
{
    program_otp_channels(chip);
    tell(chip, BusWorkStep::Kind::Resetting, 0);
    general_call_reset(chip.bus);
    read_max_bank(chip);
}

void volts_text_changed(Chip &chip, int channel)
{
    chip.table.CurrentChannel = channel;
    volts_to_code(chip.table, chip.view);
    write_channel(chip);
}

void write_loaded_channel(Chip &chip, const QString &fileName)
{
    tell(chip, BusWorkStep::Kind::LoadingFile, chip.table.CurrentChannel, ChannelCount, fileName);
    write_channel(chip);
}

} // namespace zrx
