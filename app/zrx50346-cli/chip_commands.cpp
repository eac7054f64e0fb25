#include "chip_commands.h"

#include "core/conversions.h"
#include "device/chip_status_text.h"
#include "store/channel_set_file.h"
#include "store/path_kind.h"

#include <QDir>
#include <QJsonArray>

#include <cmath>

namespace zrx {
namespace {

// Volts of a code under --vsup, truncated to millivolts as the window shows them.
double volts_of(const Invocation &invocation, int code)
{
    ChannelTable table;
    table.VrefHigh = *invocation.vsup;
    return code_to_volts(table, code);
}

QString volts_text(double volts)
{
    return QString::number(std::floor(1000.0 * volts) / 1000.0, 'f', 3);
}

QStringList channel_row(const Invocation &invocation, int channel, int code)
{
    QStringList row{channel_label(channel), QString::number(channel), hex_text(channel - 1, 2), hex_text(code),
                    QString::number(code)};
    if (invocation.vsup)
        row << volts_text(volts_of(invocation, code));
    return row;
}

QJsonObject channel_json(const Invocation &invocation, int channel, int code)
{
    QJsonObject object{{QStringLiteral("label"), channel_label(channel)},
                       {QStringLiteral("channel"), channel},
                       {QStringLiteral("register"), channel - 1},
                       {QStringLiteral("code"), code}};
    if (invocation.vsup)
        object.insert(QStringLiteral("volts"), volts_of(invocation, code));
    return object;
}

} // namespace

CliFailure no_answer(const QString &A0Setting)
{
    return {ExitCode::NoAnswer, chip_status_text(ReadBackRecord{true, true, A0Setting})};
}

CommandOutcome read_registers(ChipSession &session, const Invocation &invocation, ChipRegisters *registers)
{
    *registers = read_chip_registers(session.bus(), invocation.A0Setting);
    if (CommandOutcome fault = session.port_fault())
        return fault;
    // A held data line reads 0000 everywhere and acknowledges every byte.
    if (session.bus().answers().dataLineHeld)
        return session.bus_fault();
    if (registers->EveryWordFFFF)
        return no_answer(invocation.A0Setting);
    return session.bus_fault();
}

CommandOutcome channel_set_fault(ChipSession &session, int written, const QString &path, const QString &before)
{
    CommandOutcome fault = session.bus_fault();
    if (fault && fault->code == ExitCode::NoAnswer)
        fault->message += QStringLiteral(": ") + before + channels_written_text(written, path);
    return fault;
}

QString channel_reads_text(int channel, int word, int expected)
{
    return QStringLiteral("channel %1 (label %2, register %3) reads %4, not %5")
        .arg(channel)
        .arg(channel_label(channel), hex_text(channel - 1, 2), hex_text(word), hex_text(expected));
}

QString channels_written_text(int written, const QString &path)
{
    if (written == 0)
        return QStringLiteral("nothing was written to the chip");
    const QString from = path.isEmpty() ? QString() : QStringLiteral(" of %1").arg(path);
    if (written == 1)
        return QStringLiteral("channel 1%1 was written, the others were not").arg(from);
    if (written < ChannelCount)
        return QStringLiteral("channels 1 to %1%2 were written, the others were not").arg(written).arg(from);
    return QStringLiteral("all 24 channels%1 were written").arg(from);
}

CliFailure stopped_failure(ChipSession &session, CliReport &report, int channelsWritten, const QString &whatReached)
{
    report.object().insert(QStringLiteral("stopped"), true);
    report.object().insert(QStringLiteral("signal"), session.signal_name());
    report.object().insert(QStringLiteral("channelsWritten"), channelsWritten);
    return {ExitCode::Stopped, QStringLiteral("Stopped by %1: %2").arg(session.signal_name(), whatReached)};
}

void note_late_signal(ChipSession &session, CliReport &report, const QString &what)
{
    if (!session.stop_requested())
        return;
    report.object().insert(QStringLiteral("signal"), session.signal_name());
    report.warn(QStringLiteral("%1 came during %2, which was finished first").arg(session.signal_name(), what));
}

CommandOutcome prepare_input(const Invocation &invocation, const std::function<bool()> &stop_requested,
                             CommandInput *input)
{
    if (invocation.command == Command::Write) {
        const std::optional<int> channel = channel_of_label(invocation.arguments.at(0));
        if (!channel)
            return usage_failure(QStringLiteral("Unknown channel \"%1\": channels are 1..22, c1 and c2")
                                     .arg(invocation.arguments.at(0)));
        QString error;
        const std::optional<ChannelValue> value = parse_channel_value(invocation.arguments.at(1), &error);
        if (!value)
            return usage_failure(error);
        if (std::holds_alternative<VoltsValue>(*value) && !invocation.vsup)
            return usage_failure(QStringLiteral("Volts need --vsup, the reference they are a share of"));
        input->channel = *channel;
        input->value = *value;
    }
    const bool takesFiles = invocation.command == Command::Load || invocation.command == Command::ProgramOtp
                            || invocation.command == Command::Batch;
    if (takesFiles) {
        for (const QString &path : invocation.arguments) {
            CliFailure failure;
            const std::optional<ChannelSet> set = read_channel_set(path, stop_requested, &failure);
            if (!set)
                return failure;
            input->sets << *set;
        }
    }
    // A save would replace a device node or a FIFO with a file: refused
    // before the chip is even read.
    if (invocation.command == Command::Save) {
        const QString path = invocation.arguments.at(0);
        if (const QString reason = not_a_regular_file_reason(path); !reason.isEmpty())
            return CliFailure{ExitCode::File,
                              QStringLiteral("Cannot save %1: %2").arg(QDir::toNativeSeparators(path), reason)};
    }
    return std::nullopt;
}

int write_channel_set(ChipSession &session, const ChannelSet &set)
{
    ChannelTable &table = session.table();
    for (int channel = FirstChannel; channel <= LastChannel; ++channel) {
        if (session.stop_requested() || !session.port().is_open())
            return channel - 1;
        table.ChannelCode[channel] = set.codes[channel - 1];
        table.CurrentChannel = channel;
        write_channel(session.chip());
        const BusAnswers &answers = session.bus().answers();
        if (answers.dataLineHeld || answers.unacknowledgedAddress >= 0)
            return channel - 1;
    }
    return ChannelCount;
}

CommandOutcome read_command(ChipSession &session, const Invocation &invocation, CliReport &report)
{
    ChipRegisters registers;
    if (CommandOutcome failure = read_registers(session, invocation, &registers))
        return failure;

    QList<QStringList> rows{{QStringLiteral("label"), QStringLiteral("channel"), QStringLiteral("register"),
                             QStringLiteral("code"), QStringLiteral("decimal")}};
    if (invocation.vsup)
        rows.first() << QStringLiteral("volts");
    QJsonArray channels;
    for (int channel = FirstChannel; channel <= LastChannel; ++channel) {
        const int word = registers.ChannelWords[channel - 1];
        rows << channel_row(invocation, channel, word);
        channels.append(channel_json(invocation, channel, word));
    }
    report.table(rows);
    report.say(QStringLiteral("Max Bank: %1").arg(registers.MaxBank));
    report.object() = {{QStringLiteral("a0"), invocation.A0Setting.toInt()},
                       {QStringLiteral("channels"), channels},
                       {QStringLiteral("maxBank"), registers.MaxBank}};
    return std::nullopt;
}

CommandOutcome write_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                             CliReport &report)
{
    ChannelTable &table = session.table();
    const int channel = input.channel;
    table.CurrentChannel = channel;
    if (const auto *code = std::get_if<CodeValue>(&input.value)) {
        table.ChannelCode[channel] = code->code;
    } else {
        // The window's conversion of typed text: clamped to 0..Vsup, then
        // the nearest of 1024 steps.
        table.VrefHigh = *invocation.vsup;
        table.VrefLow = 0;
        session.view().set_volts_text(channel, std::get<VoltsValue>(input.value).text);
        volts_to_code(table, session.view());
    }
    write_channel(session.chip());
    if (CommandOutcome fault = session.bus_fault())
        return fault;

    const int sent = packed_code(table.ChannelCode[channel]);
    QString line = QStringLiteral("Channel %1 (channel %2, register %3): code %4 (%5)")
                       .arg(channel_label(channel))
                       .arg(channel)
                       .arg(hex_text(channel - 1, 2), hex_text(sent))
                       .arg(sent);
    if (invocation.vsup)
        line += QStringLiteral(", %1 V").arg(volts_text(volts_of(invocation, sent)));
    report.say(line);
    report.object() = {{QStringLiteral("written"), channel_json(invocation, channel, sent)}};
    return std::nullopt;
}

CommandOutcome load_command(ChipSession &session, const Invocation &invocation, const ChannelSet &set,
                            CliReport &report)
{
    const int written = write_channel_set(session, set);
    if (CommandOutcome fault = channel_set_fault(session, written, set.path))
        return fault;
    report.object() = {{QStringLiteral("file"), set.path},
                       {QStringLiteral("reference"), set.reference},
                       {QStringLiteral("written"), written}};
    if (written < ChannelCount)
        return stopped_failure(session, report, written, channels_written_text(written, set.path));
    report.say(QStringLiteral("Wrote 24 channels from %1").arg(set.path));
    if (!invocation.verify)
        return std::nullopt;
    if (session.stop_requested())
        return stopped_failure(session, report, written,
                               channels_written_text(written, set.path) + QStringLiteral("; they were not read back"));

    ChipRegisters registers;
    if (CommandOutcome failure = read_registers(session, invocation, &registers))
        return failure;
    QStringList differences;
    for (int channel = FirstChannel; channel <= LastChannel; ++channel) {
        const int sent = packed_code(set.codes[channel - 1]);
        const int word = registers.ChannelWords[channel - 1];
        if (word != sent) {
            differences << channel_reads_text(channel, word, sent);
        }
    }
    if (!differences.isEmpty())
        return CliFailure{ExitCode::NoAnswer, QStringLiteral("Verify failed: ") + differences.join(QStringLiteral("; "))};
    report.say(QStringLiteral("Verified: every register reads what was written"));
    report.object().insert(QStringLiteral("verified"), true);
    return std::nullopt;
}

CommandOutcome save_command(ChipSession &session, const Invocation &invocation, CliReport &report)
{
    ChipRegisters registers;
    if (CommandOutcome failure = read_registers(session, invocation, &registers))
        return failure;
    ChannelTable &table = session.table();
    table.VrefHigh = *invocation.vsup;
    QJsonArray codes;
    for (int channel = FirstChannel; channel <= LastChannel; ++channel) {
        table.ChannelCode[channel] = registers.ChannelWords[channel - 1];
        codes.append(registers.ChannelWords[channel - 1]);
    }
    const QString path = invocation.arguments.at(0);
    QString error;
    if (!save_channel_set(path, table, &error))
        return CliFailure{ExitCode::File, error};
    report.say(QStringLiteral("Saved 24 channels to %1 (Max Bank: %2)").arg(path).arg(registers.MaxBank));
    report.object() = {{QStringLiteral("file"), path},
                       {QStringLiteral("reference"), table.VrefHigh},
                       {QStringLiteral("codes"), codes},
                       {QStringLiteral("maxBank"), registers.MaxBank}};
    return std::nullopt;
}

CommandOutcome reset_command(ChipSession &session, CliReport &report)
{
    general_call_reset(session.bus());
    if (CommandOutcome fault = session.bus_fault())
        return fault;
    report.say(QStringLiteral("Sent the general-call reset"));
    report.object() = {{QStringLiteral("reset"), true}};
    return std::nullopt;
}

} // namespace zrx
