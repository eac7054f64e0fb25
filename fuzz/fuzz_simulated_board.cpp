// Any sequence of port operations on the simulated board, one input byte per
// operation: whatever the lines do, the board and its chip must neither crash
// nor read outside their registers, and the chip must keep its own rules.
//
// Byte layout: bits 0..2 the operation, bit 3 the level written, bits 4..7 a
// small argument.
#include "sim/simulated_board.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Last: its check() macro must not reach the headers above.
#include "fuzz_check.h"

namespace {

using namespace zrx;

enum Operation : uint8_t {
    WriteDtr,
    WriteRts,
    ReadDsr,
    Open,
    Close,
    Output,
    LosePort,   // the port goes away after `argument` more operations
    ChipPins,   // the A0 strap, presence or a power cycle
};

void check_chip(const SimulatedChip &chip)
{
    check(chip.banks_burned() >= 0 && chip.banks_burned() <= SimulatedChip::OtpBankCount);
    // Only the program frames and a reset ever change the bank count register.
    check(chip.register_word(SimulatedChip::MaxBankRegister) == chip.banks_burned());
    for (int reg = 0; reg < SimulatedChip::ChannelRegisters; ++reg)
        check(chip.register_word(reg) <= 0x3FF);
    check(chip.pointer() >= 0 && chip.pointer() <= 0xFF);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SimulatedBoard board;
    int losses = 0;
    QObject::connect(&board, &SerialControl::port_lost, [&losses] { ++losses; });
    PortConfiguration configuration;
    configuration.CommPort = 1;
    board.open_port(configuration);

    int framesBefore = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t byte = data[i];
        const bool level = (byte & 0x08) != 0;
        const int argument = byte >> 4;
        switch (Operation(byte & 0x07)) {
        case WriteDtr:
            board.set_dtr(level);
            break;
        case WriteRts:
            board.set_rts(level);
            break;
        case ReadDsr: {
            const bool wasOpen = board.is_open();
            const bool asserted = board.dsr();
            // A closed port has no DSR to assert.
            if (!wasOpen)
                check(!asserted);
            break;
        }
        case Open:
            configuration.CommPort = argument + 1;
            check(board.open_port(configuration) == OpenOutcome::Opened);
            break;
        case Close:
            board.close_port();
            check(!board.is_open());
            break;
        case Output: {
            const qsizetype before = board.transmitted().size();
            const bool open = board.is_open();
            board.output(QByteArray(argument, char(byte)));
            check(board.transmitted().size() == before + (open ? argument : 0));
            break;
        }
        case LosePort:
            board.lose_port_after(argument);
            break;
        case ChipPins:
            if (argument < 2)
                board.chip().set_a0_strap(argument);
            else if (argument < 4)
                board.chip().set_present(argument == 3);
            else if (argument == 4)
                board.chip().power_up();
            break;
        }
        check_chip(board.chip());
        check(board.chip().frames_accepted() >= framesBefore);
        framesBefore = board.chip().frames_accepted();
    }
    check(losses >= 0);
    return 0;
}
