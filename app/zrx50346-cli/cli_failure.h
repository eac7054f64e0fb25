#pragma once

#include <QString>

#include <optional>

namespace zrx {

// What the tool's exit status tells a script.
enum class ExitCode : int {
    Done = 0,
    Usage = 1,    // bad option or argument; program-otp without --yes
    Port = 2,     // not found, no permission, in use, lost
    File = 3,     // cannot read or write, not 25 plain numbers, a code outside 0..1024, not a regular file
    NoAnswer = 4, // every word read FFFF; a register differs after load --verify or a burn
    Stopped = 5,  // a signal ended the command before its work was done (batch: 0, but 5 while files are read)
    OutputLost = 6, // the work was done, but stdout or stderr could not be written (no other failure)
};

// Why a command could not do its work: what the user reads and what the
// script sees.
struct CliFailure {
    ExitCode code = ExitCode::Usage;
    QString message;
};

// Nothing when the command did its work.
using CommandOutcome = std::optional<CliFailure>;

inline CliFailure usage_failure(const QString &message)
{
    return {ExitCode::Usage, message};
}

} // namespace zrx
