#pragma once

#include "burn_log.h"
#include "burn_record.h"
#include "chip_commands.h"

namespace zrx {

// program-otp, the one act the chip cannot take back, from its checks before
// to its verdict after:
// - the codes: FILE's, written to the working registers first, or the chip's
//   own, read back; then Max Bank. A chip that does not answer, or a signal
//   until here, burns nothing.
// - the attempt, written to `log` and synced; a log that cannot take it
//   burns nothing.
// - the 24 programming frames: once the first is out, nothing stops them; a
//   signal is told when the burn is done. A port lost on the way names the
//   last channel burned.
// - the general-call reset, then every channel read back and compared with
//   the codes burned (--no-verify: Max Bank only); a channel that differs
//   fails the burn.
// `record` is filled as it goes; `doneMessage` is the line the burn ends with.
CommandOutcome program_otp_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                                   CliReport &report, const BurnLog &log, BurnRecord *record, QString *doneMessage);

// FILE's codes as they are burned (the window's full scale 1024 as 1023):
// known, and logged, before the port opens.
std::array<int, ChannelCount> codes_to_burn(const ChannelSet &set);

} // namespace zrx
