#pragma once

#include "cli_failure.h"

#include <QStringList>

#include <optional>

namespace zrx {

// `zrx50346-cli session [--port P | --simulate] [--rate N] [--fast] [--json]`:
// the options that belong to the port are given once, here, and go with
// every command of the session.
struct SessionCommandLine {
    // Whether the command line asks for a session at all.
    bool isSession = false;
    // The port options as the single commands take them.
    QStringList portArguments;
    std::optional<CliFailure> failure;
};

// `arguments` as main() gets them, the program first.
SessionCommandLine parse_session_command_line(const QStringList &arguments);

} // namespace zrx
