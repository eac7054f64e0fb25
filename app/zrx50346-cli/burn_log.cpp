#include "burn_log.h"

#include "store/record_log.h"

#include <QDir>

namespace zrx {

BurnLog::BurnLog(QString path, BurnPlace place) : m_path(std::move(path)), m_place(std::move(place)) {}

CommandOutcome BurnLog::check() const
{
    QString reason;
    if (m_path.isEmpty() || can_append_records(m_path, &reason))
        return std::nullopt;
    return CliFailure{ExitCode::File,
                      QStringLiteral("Cannot append to %1: %2; nothing was burned")
                          .arg(QDir::toNativeSeparators(m_path), reason)};
}

CommandOutcome BurnLog::write_attempt(const BurnRecord &record) const
{
    QString reason;
    if (m_path.isEmpty() || append_record(m_path, attempt_record_line(record, m_place), &reason))
        return std::nullopt;
    return CliFailure{ExitCode::File,
                      QStringLiteral("The attempt could not be recorded in %1: %2; nothing was burned")
                          .arg(QDir::toNativeSeparators(m_path), reason)};
}

CommandOutcome BurnLog::write_result(const BurnRecord &record, const CommandOutcome &outcome,
                                     const QString &doneMessage) const
{
    QString reason;
    if (m_path.isEmpty()
        || append_record(m_path, result_record_line(record, m_place, outcome, doneMessage), &reason))
        return outcome;
    const QString lost = QStringLiteral("the record could not be appended to %1: %2")
                             .arg(QDir::toNativeSeparators(m_path), reason);
    if (outcome)
        return CliFailure{outcome->code, outcome->message + QStringLiteral("; ") + lost};
    return CliFailure{ExitCode::File, doneMessage + QStringLiteral(", but ") + lost};
}

} // namespace zrx
