#pragma once

#include "cli_failure.h"

#include <QByteArray>
#include <QJsonValue>
#include <QStringList>

namespace zrx {

// One line of a session's input, read as the command line of the single
// command it stands for, so that it meets the very same checks:
//   {"id": 7, "cmd": "write", "channel": "5", "value": "2.5V", "vsup": 10}
// is `write --vsup 10 -- 5 2.5V`. The fields:
//   channel, value          write's two arguments
//   file                    load, save, program-otp: the file
//   files                   batch: the files, a list
//   vsup, a0, log, delay, cycles
//                           the options of the same names; a number or a text
//   verify, yes, noVerify   the flags --verify, --yes, --no-verify: true or false
//   progress                true: progress events before the answer
// Positional arguments come after "--", so no file name is taken for an option.
struct SessionRequest {
    QJsonValue id; // echoed in the answer; null when the line has none
    QString command;
    QStringList arguments; // the command, its options, "--", its arguments
    bool progress = false;
};

// Nothing when the line is a request; the failure (a usage error) otherwise,
// with as much of `request` filled as could be read (its id).
CommandOutcome read_session_request(const QByteArray &line, SessionRequest *request);

} // namespace zrx
