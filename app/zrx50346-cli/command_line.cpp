#include "command_line.h"

#include "bus/line_settings.h"
#include "core/number_text.h"
#include "core/version.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace zrx {
namespace {

const char *const Description =
    "Drives a ZRX50346 through a serial port's modem lines, one command per action.\n"
    "\n"
    "Commands:\n"
    "  ports                     COM1..COM16: device, present, free, USB details,\n"
    "                            whether fast mode can take it (an FTDI adapter)\n"
    "  read                      every channel and Max Bank, read back from the chip\n"
    "  write CHANNEL VALUE       one channel: CHANNEL is 1..22, c1 or c2; VALUE is\n"
    "                            volts (5.5, 5.5V; needs --vsup) or code:563, code:0x233\n"
    "  load FILE                 a channel-set file, each channel written once\n"
    "  save FILE                 the chip's codes into a channel-set file (needs --vsup)\n"
    "  reset                     the general-call reset\n"
    "  program-otp [FILE] --yes  burns the chip's codes (or FILE's) into the next OTP\n"
    "                            bank, resets and reads every channel back to check\n"
    "                            the burn; cannot be undone\n"
    "  batch FILE...             each file written, then the marker 01 00 00 00 on the\n"
    "                            transmit line, then --delay\n"
    "  session                   JSON requests on stdin, one answer a line on stdout,\n"
    "                            the port kept open between them (docs/command-line.md)\n"
    "\n"
    "Ctrl+C, SIGTERM and SIGHUP stop a command after the frame going out; a burn\n"
    "once begun runs to its end first.\n"
    "Exit codes: 0 done, 1 usage, 2 port, 3 file, 4 the chip did not answer or a\n"
    "register differs, 5 stopped by a signal (batch: 0).\n"
    "With --json the output, and any error, is one JSON object on stdout.";

struct CommandSyntax {
    Command command;
    const char *name;
    int minArguments;
    int maxArguments; // -1: no limit
    // Options beyond --port, --rate, --a0, --simulate and --json.
    QStringList options;
};

const QList<CommandSyntax> &command_syntaxes()
{
    static const QList<CommandSyntax> syntaxes = {
        {Command::Ports, "ports", 0, 0, {}},
        {Command::Read, "read", 0, 0, {QStringLiteral("vsup")}},
        {Command::Write, "write", 2, 2, {QStringLiteral("vsup")}},
        {Command::Load, "load", 1, 1, {QStringLiteral("verify")}},
        {Command::Save, "save", 1, 1, {QStringLiteral("vsup")}},
        {Command::Reset, "reset", 0, 0, {}},
        {Command::ProgramOtp, "program-otp", 0, 1,
         {QStringLiteral("yes"), QStringLiteral("no-verify"), QStringLiteral("log")}},
        {Command::Batch, "batch", 1, -1, {QStringLiteral("delay"), QStringLiteral("cycles")}},
    };
    return syntaxes;
}

// `ports` only looks at the machine: no chip, so no address or rate.
bool takes_option(const CommandSyntax &syntax, const QString &option)
{
    if (option == QLatin1String("json") || option == QLatin1String("simulate"))
        return true;
    static const QStringList portOptions = {QStringLiteral("port"), QStringLiteral("rate"), QStringLiteral("a0"),
                                            QStringLiteral("fast")};
    if (portOptions.contains(option))
        return syntax.command != Command::Ports;
    return syntax.options.contains(option);
}

QString offered_rates_text()
{
    QStringList rates;
    for (const qint32 rate : offered_bit_rates())
        rates << QString::number(rate);
    return rates.join(QStringLiteral(", "));
}

// The highest --vsup taken: far above any reference the chip can have, and
// low enough that every conversion and every text of a voltage stays finite.
constexpr double HighestVsup = 1000.0;

// A negative number ("-1V") would be taken for options by the parser. Such
// arguments stand in the list under a placeholder that cannot be an option,
// and are given back where the parser hands out arguments and values.
struct NegativeNumbers {
    QStringList arguments; // what the parser sees
    QStringList originals; // placeholder n stands for originals[n]

    explicit NegativeNumbers(const QStringList &given)
    {
        for (qsizetype i = 0; i < given.size(); ++i) {
            const QString &argument = given[i];
            if (i > 0 && argument.startsWith(QLatin1Char('-')) && is_volts_text(argument)) {
                arguments << placeholder(originals.size());
                originals << argument;
            } else {
                arguments << argument;
            }
        }
    }
    static QString placeholder(qsizetype n) { return QStringLiteral("\x01negative %1").arg(n); }
    QString restored(const QString &text) const
    {
        for (qsizetype n = 0; n < originals.size(); ++n) {
            if (text == placeholder(n))
                return originals[n];
        }
        return text;
    }
};

ParsedCommandLine failed(ParsedCommandLine parsed, const QString &message)
{
    parsed.failure = usage_failure(message);
    return parsed;
}

} // namespace

bool is_volts_text(const QString &text)
{
    static const QRegularExpression volts(
        QStringLiteral("^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?\\s*[vV]?\\s*$"));
    return volts.match(text).hasMatch();
}

ParsedCommandLine parse_command_line(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("The serial port: COM1..COM16 or a device path such as /dev/ttyUSB0."),
         QStringLiteral("port")},
        {QStringLiteral("rate"), QStringLiteral("Bit rate: %1 (default %2).").arg(offered_rates_text()).arg(DefaultBitRate),
         QStringLiteral("N")},
        {QStringLiteral("a0"), QStringLiteral("The chip's A0 address pin, 0 or 1 (default 0)."), QStringLiteral("0|1")},
        {QStringLiteral("vsup"), QStringLiteral("Upper reference in volts for every conversion between volts and codes."),
         QStringLiteral("V")},
        {QStringLiteral("simulate"), QStringLiteral("Run on the simulated board instead of a serial port.")},
        {QStringLiteral("fast"), QStringLiteral("Fast mode on an FTDI adapter: whole transactions per USB transfer. "
                                                "Where it cannot run, the ordinary way, and why on stderr.")},
        {QStringLiteral("json"), QStringLiteral("Machine output: one JSON object on stdout, errors included.")},
        {QStringLiteral("yes"), QStringLiteral("program-otp: really burn the one-time-programmable memory.")},
        {QStringLiteral("verify"), QStringLiteral("load: read the chip back and fail if any register differs.")},
        {QStringLiteral("no-verify"),
         QStringLiteral("program-otp: do not compare the channels read back after the burn with the codes burned.")},
        {QStringLiteral("log"), QStringLiteral("program-otp: append a record of the attempt to FILE, one JSON line."),
         QStringLiteral("FILE")},
        {QStringLiteral("delay"), QStringLiteral("batch: pause after each file in seconds (default 1)."), QStringLiteral("S")},
        {QStringLiteral("cycles"), QStringLiteral("batch: passes over the files (default 1; 0 until stopped)."),
         QStringLiteral("N")},
    });
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands above."),
                                 QStringLiteral("command [arguments...]"));

    ParsedCommandLine parsed;
    const NegativeNumbers negatives(arguments);
    const bool understood = parser.parse(negatives.arguments);
    parsed.json = parser.isSet(QStringLiteral("json"));
    if (!understood)
        return failed(parsed, parser.errorText());
    // Qt's parser offers --help-all beside --help; there are no Qt options
    // to add to the text, so both say the same.
    if (parser.isSet(help) || parser.optionNames().contains(QLatin1String("help-all"))) {
        parsed.text = parser.helpText();
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.text = QStringLiteral("zrx50346-cli %1\n").arg(QString::fromLatin1(VersionText));
        parsed.isVersion = true;
        return parsed;
    }
    const auto value_of = [&parser, &negatives](const QString &option) {
        return negatives.restored(parser.value(option));
    };

    QStringList positional;
    for (const QString &argument : parser.positionalArguments())
        positional << negatives.restored(argument);
    if (positional.isEmpty())
        return failed(parsed, QStringLiteral("No command given (see --help)"));
    const QString name = positional.takeFirst();
    const auto syntax = std::find_if(command_syntaxes().begin(), command_syntaxes().end(),
                                   [&name](const CommandSyntax &s) { return name == QLatin1String(s.name); });
    if (syntax == command_syntaxes().end())
        return failed(parsed, QStringLiteral("Unknown command \"%1\" (see --help)").arg(name));
    if (positional.size() < syntax->minArguments || (syntax->maxArguments >= 0 && positional.size() > syntax->maxArguments))
        return failed(parsed, QStringLiteral("Wrong number of arguments for %1 (see --help)").arg(name));
    const QStringList given = parser.optionNames();
    for (const QString &option : given) {
        // The parser would keep the last of two, silently: "--port a --port b"
        // is a script's mistake, not a choice.
        if (given.count(option) > 1)
            return failed(parsed, QStringLiteral("--%1 is given more than once").arg(option));
        if (!takes_option(*syntax, option))
            return failed(parsed, QStringLiteral("%1 does not take --%2").arg(name, option));
    }

    Invocation invocation;
    invocation.command = syntax->command;
    invocation.arguments = positional;
    invocation.json = parsed.json;
    invocation.yes = parser.isSet(QStringLiteral("yes"));
    invocation.verify = parser.isSet(QStringLiteral("verify"));
    invocation.fast = parser.isSet(QStringLiteral("fast"));
    invocation.noVerify = parser.isSet(QStringLiteral("no-verify"));
    invocation.logPath = value_of(QStringLiteral("log"));
    if (parser.isSet(QStringLiteral("log")) && invocation.logPath.isEmpty())
        return failed(parsed, QStringLiteral("--log needs the name of a file"));

    bool ok = true;
    invocation.bitRate = DefaultBitRate;
    if (parser.isSet(QStringLiteral("rate"))) {
        invocation.bitRate = value_of(QStringLiteral("rate")).toInt(&ok);
        if (!ok || !offered_bit_rates().contains(invocation.bitRate))
            return failed(parsed, QStringLiteral("--rate must be one of %1").arg(offered_rates_text()));
    }
    if (parser.isSet(QStringLiteral("a0"))) {
        invocation.A0Setting = value_of(QStringLiteral("a0"));
        if (invocation.A0Setting != QLatin1String("0") && invocation.A0Setting != QLatin1String("1"))
            return failed(parsed, QStringLiteral("--a0 must be 0 or 1"));
    }
    if (parser.isSet(QStringLiteral("vsup"))) {
        const QString text = value_of(QStringLiteral("vsup"));
        const double vsup = leading_number(text);
        if (!is_volts_text(text) || !(vsup > 0) || !(vsup <= HighestVsup))
            return failed(parsed, QStringLiteral("--vsup must be a voltage above 0 and at most %1, such as 10 or 5.5V")
                                      .arg(HighestVsup));
        invocation.vsup = vsup;
    }
    if (parser.isSet(QStringLiteral("delay"))) {
        invocation.delaySeconds = value_of(QStringLiteral("delay")).toDouble(&ok);
        if (!ok || !(invocation.delaySeconds >= 0) || !std::isfinite(invocation.delaySeconds))
            return failed(parsed, QStringLiteral("--delay must be a number of seconds, 0 or more"));
    }
    if (parser.isSet(QStringLiteral("cycles"))) {
        invocation.cycles = value_of(QStringLiteral("cycles")).toInt(&ok);
        if (!ok || invocation.cycles < 0)
            return failed(parsed, QStringLiteral("--cycles must be a whole number, 0 or more (0: until stopped)"));
    }
    if (invocation.command == Command::Save && !invocation.vsup)
        return failed(parsed, QStringLiteral("save needs --vsup: it is the first line of the file"));
    // program-otp without --yes is refused by the run, which logs the refusal.

    const bool simulate = parser.isSet(QStringLiteral("simulate"));
    const QString port = value_of(QStringLiteral("port"));
    if (simulate && parser.isSet(QStringLiteral("port")))
        return failed(parsed, QStringLiteral("--simulate and --port exclude each other"));
    if (invocation.command != Command::Ports) {
        QString error;
        const std::optional<PortChoice> choice = choose_port(port, simulate, &error);
        if (!choice)
            return failed(parsed, error);
        invocation.port = *choice;
    } else {
        invocation.port.simulated = simulate;
    }
    parsed.invocation = invocation;
    return parsed;
}

} // namespace zrx
