#pragma once

#include "cli_failure.h"

#include "core/channel_table.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace zrx {

// What one program-otp run did to the chip, told on its output and kept in
// the --log file: one record per attempt, the refused ones too.
struct BurnRecord {
    // How far it went, in the words of the log's "result".
    enum class Result { NotBurned, Cut, BurnedNotChecked, Differs, Verified };

    QDateTime time = QDateTime::currentDateTimeUtc();
    QString file;
    // The codes to burn, once known.
    std::optional<std::array<int, ChannelCount>> codes;
    std::optional<int> maxBankBefore;
    std::optional<int> maxBankAfter;
    Result result = Result::NotBurned;
    // A signal that came during the attempt.
    QString signal;
};

QString result_text(BurnRecord::Result result);

// Where the burn happened, for the record.
struct BurnPlace {
    QString port;         // "COM5 (/dev/ttyUSB0)", a device path, "Simulated board"
    QString serialNumber; // the USB adapter's, empty when the port has none
    QString A0Setting;
};

// One line of JSON: UTC time, port, adapter serial number (when there is
// one), A0, file, codes, Max Bank before and after, result, message and exit
// code. Values not known are null.
QByteArray burn_record_line(const BurnRecord &record, const BurnPlace &place, const CommandOutcome &outcome,
                            const QString &doneMessage);

} // namespace zrx
