#include "sim/demo_board.h"

#include <cmath>

namespace zrx {
namespace {

// Registers of the gamma channels in row order: gamma 1..18 are registers
// 0..17, gamma 19..22 registers 20..23; 18 and 19 are the VCOM channels.
constexpr int GammaRegisters[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                  11, 12, 13, 14, 15, 16, 17, 20, 21, 22, 23};
constexpr int VcomRegisters[] = {18, 19};
constexpr quint16 MidScale = 512;
// The curve's ends, clear of the rails as a panel's references are.
constexpr double TopCode = 1000;
constexpr double BottomCode = 24;
constexpr double DisplayGamma = 2.2;

} // namespace

void load_demo_codes(SimulatedChip &chip)
{
    constexpr int count = int(std::size(GammaRegisters));
    for (int i = 0; i < count; ++i) {
        const double share = std::pow(1.0 - double(i) / (count - 1), DisplayGamma);
        chip.set_register_word(GammaRegisters[i], quint16(std::lround(BottomCode + share * (TopCode - BottomCode))));
    }
    for (const int reg : VcomRegisters)
        chip.set_register_word(reg, MidScale);
}

std::unique_ptr<SimulatedBoard> make_demo_board()
{
    auto board = std::make_unique<SimulatedBoard>();
    load_demo_codes(board->chip());
    PortConfiguration configuration;
    configuration.CommPort = 1;
    board->open_port(configuration);
    return board;
}

} // namespace zrx
