#include "otp_burn.h"

#include "device/chip_status_text.h"
#include "device/otp_burn_progress.h"

#include <QJsonArray>

namespace zrx {
namespace {

constexpr int NoAnswerWord = 0xFFFF;

// Takes the codes of the burn: FILE's, written to the chip first, or the
// chip's own. Ends with Max Bank read, before anything is burned.
CommandOutcome take_codes(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                          CliReport &report, BurnRecord *record)
{
    ChannelTable &table = session.table();
    int maxBank = 0;
    if (!input.sets.isEmpty()) {
        const ChannelSet &set = input.sets.first();
        const int written = write_channel_set(session, set);
        if (CommandOutcome fault = channel_set_fault(session, written, set.path, QStringLiteral("nothing was burned; ")))
            return fault;
        if (written < ChannelCount)
            return stopped_failure(session, report, written,
                                   QStringLiteral("nothing was burned; ") + channels_written_text(written, set.path));
        read_max_bank(session.chip());
        // Before the first programming frame: a held data line or a chip
        // that did not acknowledge the Max Bank read burns nothing.
        if (CommandOutcome fault = session.bus_fault())
            return fault;
        maxBank = session.bus().LastReadWord;
        // Nothing is burned into a chip that does not answer.
        if (maxBank == NoAnswerWord)
            return no_answer(invocation.A0Setting);
    } else {
        // Nor are a silent chip's FFFF words burned, as 1023 everywhere.
        ChipRegisters registers;
        if (CommandOutcome failure = read_registers(session, invocation, &registers))
            return failure;
        for (int channel = FirstChannel; channel <= LastChannel; ++channel)
            table.ChannelCode[channel] = registers.ChannelWords[channel - 1];
        maxBank = registers.MaxBank;
    }
    std::array<int, ChannelCount> codes{};
    for (int channel = FirstChannel; channel <= LastChannel; ++channel)
        codes[channel - 1] = packed_code(table.ChannelCode[channel]);
    record->codes = codes;
    record->maxBankBefore = maxBank;
    // The last look at a signal before the burn: one during the reads (of
    // the chip, or of Max Bank after FILE went out) stops the run here.
    if (session.stop_requested())
        return stopped_failure(session, report, input.sets.isEmpty() ? 0 : ChannelCount,
                               QStringLiteral("nothing was burned"));
    return std::nullopt;
}

// The channels that do not read back the code burned.
QStringList differences(const ChipRegisters &registers, const std::array<int, ChannelCount> &codes,
                        QJsonArray *json)
{
    QStringList text;
    for (int channel = FirstChannel; channel <= LastChannel; ++channel) {
        const int burned = codes[channel - 1];
        const int word = registers.ChannelWords[channel - 1];
        if (word == burned)
            continue;
        text << channel_reads_text(channel, word, burned);
        json->append(QJsonObject{{QStringLiteral("label"), channel_label(channel)},
                                 {QStringLiteral("channel"), channel},
                                 {QStringLiteral("register"), channel - 1},
                                 {QStringLiteral("burned"), burned},
                                 {QStringLiteral("reads"), word}});
    }
    return text;
}

// The programming frames' answers: how far the chip acknowledged them. The
// frames all went out (nothing stops a burn once begun); what the chip took
// of those it did not acknowledge is unknown.
CommandOutcome burn_answer_fault(ChipSession &session, CliReport &report)
{
    const BusAnswers &answers = session.bus().answers();
    report.object().insert(QStringLiteral("framesAcknowledged"), answers.acknowledgedTransactions);
    if (answers.dataLineHeld)
        return CliFailure{ExitCode::NoAnswer, QStringLiteral("Burn not checked: the 24 programming frames went out, "
                                                             "but ") + session.bus_fault()->message};
    if (answers.unacknowledgedAddress < 0)
        return std::nullopt;
    const int first = answers.acknowledgedTransactions + 1;
    return CliFailure{ExitCode::NoAnswer,
                      QStringLiteral("Burn failed: %1 from programming frame %2 of %3 (register %4) on "
                                     "(acknowledged: %5 of %3 frames before it, unacknowledged: %6); the bank "
                                     "may hold a partial set")
                          .arg(no_acknowledge_text(answers.unacknowledgedAddress))
                          .arg(first)
                          .arg(ChannelCount)
                          .arg(hex_text(first - 1, 2))
                          .arg(first - 1)
                          .arg(answers.unacknowledgedTransactions)};
}

} // namespace

std::array<int, ChannelCount> codes_to_burn(const ChannelSet &set)
{
    std::array<int, ChannelCount> codes{};
    for (int channel = FirstChannel; channel <= LastChannel; ++channel)
        codes[channel - 1] = packed_code(set.codes[channel - 1]);
    return codes;
}

CommandOutcome program_otp_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                                   CliReport &report, const BurnLog &log, BurnRecord *record, QString *doneMessage)
{
    if (CommandOutcome failure = take_codes(session, invocation, input, report, record))
        return failure;
    // On the disk before anything is burned: a kill or a power cut from here
    // on leaves the station an attempt without a result.
    if (CommandOutcome failure = log.write_attempt(*record))
        return failure;
    const std::array<int, ChannelCount> codes = *record->codes;
    QJsonArray programmed;
    for (const int code : codes)
        programmed.append(code);
    report.object() = {{QStringLiteral("programmed"), programmed},
                       {QStringLiteral("maxBankBefore"), *record->maxBankBefore}};

    // From the first programming frame on, no signal is looked at until the
    // check is done: a finished bank is better than a half-burned one.
    std::optional<int> cutAfter;
    session.bus().forget_answers();
    {
        const OtpBurnProgress progress(session.chip(), session.port());
        program_otp_channels(session.chip());
        cutAfter = progress.cut_after();
    }
    if (cutAfter) {
        record->result = BurnRecord::Result::Cut;
        return CliFailure{ExitCode::Port, otp_burn_cut_text(*cutAfter) + QStringLiteral(" (%1)").arg(session.port_text())};
    }
    record->result = BurnRecord::Result::BurnedNotChecked;
    const CommandOutcome unanswered = burn_answer_fault(session, report);
    // The reset closes the chip's programming session, answered or not; a
    // chip that stopped answering is not read back.
    general_call_reset(session.bus());
    if (unanswered) {
        note_late_signal(session, report, QStringLiteral("the burn"));
        return unanswered;
    }
    ChipRegisters after;
    if (invocation.noVerify) {
        read_max_bank(session.chip());
        after.MaxBank = session.bus().LastReadWord;
    } else {
        after = read_chip_registers(session.bus(), invocation.A0Setting);
    }
    if (CommandOutcome fault = session.port_fault())
        return CliFailure{ExitCode::Port, QStringLiteral("All 24 channels were burned, but the port was lost before "
                                                         "the check: ")
                                              + fault->message};
    record->maxBankAfter = after.MaxBank;
    report.object().insert(QStringLiteral("maxBankAfter"), after.MaxBank);
    report.object().insert(QStringLiteral("maxBank"), after.MaxBank);
    if (after.MaxBank == NoAnswerWord && (invocation.noVerify || after.EveryWordFFFF))
        return no_answer(invocation.A0Setting);

    const QString banks = QStringLiteral("Max Bank: %1 (was %2)").arg(after.MaxBank).arg(*record->maxBankBefore);
    report.say(QStringLiteral("Burned 24 channels into the OTP memory; ") + banks);
    if (invocation.noVerify) {
        report.object().insert(QStringLiteral("verdict"), QStringLiteral("not checked"));
        *doneMessage = QStringLiteral("Burned 24 channels, not checked; ") + banks;
    } else {
        QJsonArray differing;
        const QStringList text = differences(after, codes, &differing);
        if (!text.isEmpty()) {
            record->result = BurnRecord::Result::Differs;
            report.object().insert(QStringLiteral("verdict"), QStringLiteral("differs"));
            report.object().insert(QStringLiteral("differences"), differing);
            QString message = QStringLiteral("Burn failed: ") + text.join(QStringLiteral("; "));
            if (after.MaxBank == *record->maxBankBefore)
                message += QStringLiteral(". Max Bank stayed at %1: the chip may have no bank left").arg(after.MaxBank);
            note_late_signal(session, report, QStringLiteral("the burn"));
            return CliFailure{ExitCode::NoAnswer, message};
        }
        record->result = BurnRecord::Result::Verified;
        report.object().insert(QStringLiteral("verdict"), QStringLiteral("verified"));
        report.say(QStringLiteral("Checked: every channel reads back the code burned"));
        *doneMessage = QStringLiteral("Burned 24 channels and checked them; ") + banks;
    }
    note_late_signal(session, report, QStringLiteral("the burn"));
    return std::nullopt;
}

} // namespace zrx
