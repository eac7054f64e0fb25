#include "burn_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zrx {
namespace {

QJsonValue optional_json(const std::optional<int> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
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

QByteArray burn_record_line(const BurnRecord &record, const BurnPlace &place, const CommandOutcome &outcome,
                            const QString &doneMessage)
{
    QJsonObject line{{QStringLiteral("time"), record.time.toUTC().toString(Qt::ISODateWithMs)},
                     {QStringLiteral("port"), place.port},
                     {QStringLiteral("a0"), place.A0Setting.toInt()},
                     {QStringLiteral("file"), record.file.isEmpty() ? QJsonValue() : QJsonValue(record.file)},
                     {QStringLiteral("maxBankBefore"), optional_json(record.maxBankBefore)},
                     {QStringLiteral("maxBankAfter"), optional_json(record.maxBankAfter)},
                     {QStringLiteral("result"), result_text(record.result)},
                     {QStringLiteral("message"), outcome ? outcome->message : doneMessage},
                     {QStringLiteral("exitCode"), int(outcome ? outcome->code : ExitCode::Done)}};
    if (!place.serialNumber.isEmpty())
        line.insert(QStringLiteral("serialNumber"), place.serialNumber);
    QJsonArray codes;
    if (record.codes) {
        for (const int code : *record.codes)
            codes.append(code);
    }
    line.insert(QStringLiteral("codes"), record.codes ? QJsonValue(codes) : QJsonValue());
    if (!record.signal.isEmpty())
        line.insert(QStringLiteral("signal"), record.signal);
    return QJsonDocument(line).toJson(QJsonDocument::Compact);
}

} // namespace zrx
