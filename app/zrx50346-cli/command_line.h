#pragma once

#include "cli_failure.h"
#include "port_choice.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zrx {

enum class Command { Ports, Read, Write, Load, Save, Reset, ProgramOtp, Batch };

// One run of the tool as its command line asks for it, checked: every value
// here is in range. Everything the tool needs is on the command line; no
// stored setting of the window is read.
struct Invocation {
    Command command = Command::Read;
    // The command's own arguments (channel and value, files).
    QStringList arguments;
    PortChoice port;
    qint32 bitRate = 0;
    QString A0Setting = QStringLiteral("0");
    // --vsup: the upper reference for every conversion between volts and codes.
    std::optional<double> vsup;
    bool json = false;
    bool yes = false;
    bool verify = false;
    // --fast: the bus in whole transactions on an FTDI adapter, as the
    // window's fast mode; the plain path, with its reason, where it cannot.
    bool fast = false;
    // program-otp: --no-verify skips the comparison after the burn; --log
    // appends a record of the attempt to this file.
    bool noVerify = false;
    QString logPath;
    double delaySeconds = 1;
    int cycles = 1; // 0: until stopped
};

struct ParsedCommandLine {
    std::optional<Invocation> invocation;
    // --help or --version: print this and end with success; with --json
    // as {"help": text} or {"program": ..., "version": ...}.
    QString text;
    bool isVersion = false;
    std::optional<CliFailure> failure;
    // Whether errors are wanted as JSON too, known even when parsing fails.
    bool json = false;
};

// `arguments` as main() gets them, the program first.
ParsedCommandLine parse_command_line(const QStringList &arguments);

// The text of a number of volts, as typed in the window: "5.5", "5.5V".
// Stricter than the window, which takes whatever number leads the text: here
// nothing but the number and an optional V may stand.
bool is_volts_text(const QString &text);

} // namespace zrx
