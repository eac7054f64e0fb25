#include "burn_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

namespace zrx {
namespace {

QJsonValue optional_json(const std::optional<int> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// What both lines of a burn carry.
QJsonObject attempt_fields(const BurnRecord &record, const BurnPlace &place, const QString &kind,
                           const QDateTime &time)
{
    QJsonObject line{{QStringLiteral("record"), kind},
                     {QStringLiteral("id"), record.id},
                     {QStringLiteral("time"), time.toUTC().toString(Qt::ISODateWithMs)},
                     {QStringLiteral("port"), place.port},
                     {QStringLiteral("a0"), place.A0Setting.toInt()},
                     {QStringLiteral("file"), record.file.isEmpty() ? QJsonValue() : QJsonValue(record.file)},
                     {QStringLiteral("maxBankBefore"), optional_json(record.maxBankBefore)}};
    if (!place.serialNumber.isEmpty())
        line.insert(QStringLiteral("serialNumber"), place.serialNumber);
    QJsonArray codes;
    if (record.codes) {
        for (const int code : *record.codes)
            codes.append(code);
    }
    line.insert(QStringLiteral("codes"), record.codes ? QJsonValue(codes) : QJsonValue());
    return line;
}

} // namespace

QString result_text(BurnRecord::Result result)
{
    switch (result) {
    case BurnRecord::Result::NotBurned:
        return QStringLiteral("not burned");
    case BurnRecord::Result::Cut:
        return QStringLiteral("cut");
    case BurnRecord::Result::BurnedNotChecked:
        return QStringLiteral("burned, not checked");
    case BurnRecord::Result::Differs:
        return QStringLiteral("differs");
    case BurnRecord::Result::Verified:
        return QStringLiteral("verified");
    }
    return {};
}

QString new_burn_id()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray attempt_record_line(const BurnRecord &record, const BurnPlace &place)
{
    return QJsonDocument(attempt_fields(record, place, QStringLiteral("attempt"), record.time))
        .toJson(QJsonDocument::Compact);
}

QByteArray result_record_line(const BurnRecord &record, const BurnPlace &place, const CommandOutcome &outcome,
                              const QString &doneMessage)
{
    QJsonObject line = attempt_fields(record, place, QStringLiteral("result"), QDateTime::currentDateTimeUtc());
    line.insert(QStringLiteral("maxBankAfter"), optional_json(record.maxBankAfter));
    line.insert(QStringLiteral("result"), result_text(record.result));
    line.insert(QStringLiteral("message"), outcome ? outcome->message : doneMessage);
    line.insert(QStringLiteral("exitCode"), int(outcome ? outcome->code : ExitCode::Done));
    if (!record.signal.isEmpty())
        line.insert(QStringLiteral("signal"), record.signal);
    return QJsonDocument(line).toJson(QJsonDocument::Compact);
}

} // namespace zrx
