#pragma once

#include "bus/modem_line_bus.h"
#include "core/channel_table.h"
#include "core/channel_view.h"
#include "device/bus_work.h"

#include <array>

namespace zrx {

// How the last full read-back went. The bus never samples acknowledges, so
// the words are all there is to go by: a chip that does not answer leaves
// the data line released, and every word reads FFFF.
struct ReadBackRecord {
    bool Done = false;
    bool EveryWordFFFF = false;
    // The address setting the chip was read at.
    QString A0Setting;
};

// What a chip transaction works on: the channel table, the boxes that show
// it, and the bus the chip sits on. One of these lives as long as the program.
// The observer, when there is one, hears of every step of the longer work.
struct Chip {
    ChannelTable &table;
    ChannelView &view;
    ModemLineBus &bus;
    ReadBackRecord LastReadBack{};
    BusWorkObserver *observer = nullptr;
};

// Writes ChannelCode[CurrentChannel] to its register (channel n is register
// n - 1) as the four-byte frame [address, register, 0x80 + bits 9..8, bits 7..0].
void write_channel(Chip &chip);
void write_channel_frame(ModemLineBus &bus, const QString &low, const QString &high,
                         const QString &address, const QString &registerBits);

// The words of one read-back as they came off the bus.
struct ChipRegisters {
    // Registers 0x00..0x17: channel n is element n - 1.
    std::array<int, ChannelCount> ChannelWords{};
    // Register 0x3F, shown as "Max Bank:".
    int MaxBank = 0;
    // Every one of the 25 words read FFFF: nothing drove the data line.
    bool EveryWordFFFF = false;
};

// The reading transactions of a read-back and nothing else: for registers
// 0x00..0x17, then 0x3F, a pointer write and a word read. No pause, and
// nothing is written to the chip, the table or the boxes. The observer, if
// any, hears of every register read.
ChipRegisters read_chip_registers(ModemLineBus &bus, const QString &A0Setting,
                                  BusWorkObserver *observer = nullptr);

// Reads registers 0x00..0x17 into ChannelCode and 0x3F into "Max Bank:", then
// refreshes the rows (which writes back every channel whose text changed).
// Opens with a 0.1 s pause in which timers and repaints run, while clicks
// and keys wait until the command around it has returned. Notes in
// LastReadBack whether any word came back other than FFFF.
void read_all_channels(Chip &chip);
void read_max_bank(Chip &chip);

// The general call 0x00 0x06, clocked with the paced stand-alone operations.
void general_call_reset(ModemLineBus &bus);

// Burns all 24 codes of the table into the one-time-programmable memory
// (mode bits 010). CurrentChannel is not touched.
void program_otp_channels(Chip &chip);
void program_channel_frame(ModemLineBus &bus, const QString &low, const QString &high,
                           const QString &address, const QString &registerBits);

// The main window's "Reset" and "Program OTP" commands.
void reset_and_read_back(Chip &chip);
void program_otp_and_reset(Chip &chip);

// A voltage box's change handling: make the channel current, convert its
// text, write it to the chip. Runs nested inside whoever changed the text.
void volts_text_changed(Chip &chip, int channel);

// A channel-set loader's write of CurrentChannel, told as a step of loading
// the named file.
void write_loaded_channel(Chip &chip, const QString &fileName);

} // namespace zrx
