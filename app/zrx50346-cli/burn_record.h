#pragma once

#include "cli_failure.h"

#include "core/channel_table.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace zrx {

// A random id, unique across runs and stations.
QString new_burn_id();

// What one program-otp run did to the chip, told on its output and kept in
// the --log file: an "attempt" line before the first programming frame, and
// a "result" line at the end of every run, the refused ones too.
struct BurnRecord {
    // How far it went, in the words of the log's "result".
    enum class Result { NotBurned, Cut, BurnedNotChecked, Differs, Verified };

    // Ties a result to its attempt.
    QString id = new_burn_id();
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

// The line written and synced before the first programming frame:
// {"record":"attempt", id, UTC time, port, adapter serial number (when there
// is one), A0, file, codes, maxBankBefore}. An attempt with no result of its
// id after it is a burn that may have happened.
QByteArray attempt_record_line(const BurnRecord &record, const BurnPlace &place);

// The line every run ends with: {"record":"result", id, time (now), and the
// attempt's fields, maxBankAfter, result, message, exitCode, and signal when
// one came}. Values not known are null.
QByteArray result_record_line(const BurnRecord &record, const BurnPlace &place, const CommandOutcome &outcome,
                              const QString &doneMessage);

} // namespace zrx
