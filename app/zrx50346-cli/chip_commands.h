#pragma once

#include "channel_arguments.h"
#include "channel_set_input.h"
#include "chip_session.h"
#include "cli_report.h"
#include "command_line.h"

#include <QList>

namespace zrx {

// What a command works from besides the chip, taken from its arguments
// before the port is opened: a wrong channel, a broken file or a save onto
// something that is not a file ends the run with nothing sent. A stop while
// a file is read ends it too (ExitCode::Stopped, with what was being read).
struct CommandInput {
    int channel = 0;             // write
    ChannelValue value;          // write
    QList<ChannelSet> sets;      // load, program-otp, batch
};
CommandOutcome prepare_input(const Invocation &invocation, const std::function<bool()> &stop_requested,
                             CommandInput *input);

// The commands on the chip, each on an open port.
CommandOutcome read_command(ChipSession &session, const Invocation &invocation, CliReport &report);
CommandOutcome write_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                             CliReport &report);
CommandOutcome load_command(ChipSession &session, const Invocation &invocation, const ChannelSet &set,
                            CliReport &report);
CommandOutcome save_command(ChipSession &session, const Invocation &invocation, CliReport &report);
CommandOutcome reset_command(ChipSession &session, CliReport &report);

// The chip's silence in the words of the window's status line.
CliFailure no_answer(const QString &A0Setting);
// Reads the chip back, or says why its words cannot be trusted: a lost port
// first (it reads FFFF too), then a chip that does not answer.
CommandOutcome read_registers(ChipSession &session, const Invocation &invocation, ChipRegisters *registers);

// The 24 channels of a set, each written once, in channel order, with the
// window's channel frame. No read-back, no rewrite. A stop request or a lost
// port ends it after the frame going out; a frame nobody acknowledged, or a
// data line held low, ends it at once. Returns how many frames went out (and
// were acknowledged).
int write_channel_set(ChipSession &session, const ChannelSet &set);
// After write_channel_set: the session's bus fault, and for a chip that did
// not answer, how far the set got ("...: channels 1 to 3 of set.csv were
// written, the others were not"), after `before`.
CommandOutcome channel_set_fault(ChipSession &session, int written, const QString &path,
                                 const QString &before = {});

// A command a signal ended before its work was done: "Stopped by SIGTERM: "
// and what reached the chip; the JSON says the same with "stopped", "signal"
// and "channelsWritten".
CliFailure stopped_failure(ChipSession &session, CliReport &report, int channelsWritten, const QString &whatReached);

// A signal that came while a command was doing work it finishes anyway (a
// burn, a read, the last frame): said once the work is done, as a note on
// stderr and as "signal" in the JSON. Nothing when no signal came.
void note_late_signal(ChipSession &session, CliReport &report, const QString &what);

// A register that does not read back what was sent, named by channel number
// as every other message names it: "channel 21 (label 19, register 0x14)
// reads 0x3E4, not 0x2AA".
QString channel_reads_text(int channel, int word, int expected);

// "channels 1 to 7 of set.csv were written", "nothing was written", ...
QString channels_written_text(int written, const QString &path);

} // namespace zrx
