#pragma once

#include "channel_arguments.h"
#include "channel_set_input.h"
#include "chip_session.h"
#include "cli_report.h"
#include "command_line.h"

#include <QList>

namespace zrx {

// What a command works from besides the chip, taken from its arguments
// before the port is opened: a wrong channel or a broken file ends the run
// with nothing sent.
struct CommandInput {
    int channel = 0;             // write
    ChannelValue value;          // write
    QList<ChannelSet> sets;      // load, program-otp, batch
};
CommandOutcome prepare_input(const Invocation &invocation, CommandInput *input);

// The commands on the chip, each on an open port.
CommandOutcome read_command(ChipSession &session, const Invocation &invocation, CliReport &report);
CommandOutcome write_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                             CliReport &report);
CommandOutcome load_command(ChipSession &session, const Invocation &invocation, const ChannelSet &set,
                            CliReport &report);
CommandOutcome save_command(ChipSession &session, const Invocation &invocation, CliReport &report);
CommandOutcome reset_command(ChipSession &session, CliReport &report);
CommandOutcome program_otp_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                                   CliReport &report);

// The 24 channels of a set, each written once, in channel order, with the
// window's channel frame. No read-back, no rewrite.
void write_channel_set(ChipSession &session, const ChannelSet &set);

} // namespace zrx
