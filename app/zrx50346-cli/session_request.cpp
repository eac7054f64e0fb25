#include "session_request.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zrx {
namespace {

const QStringList SessionCommands = {QStringLiteral("read"),  QStringLiteral("write"),
                                     QStringLiteral("load"),  QStringLiteral("save"),
                                     QStringLiteral("reset"), QStringLiteral("program-otp"),
                                     QStringLiteral("batch")};

// Fields that are options with a value, and the option each stands for.
const QList<std::pair<QString, QString>> ValueFields = {
    {QStringLiteral("vsup"), QStringLiteral("--vsup")},   {QStringLiteral("a0"), QStringLiteral("--a0")},
    {QStringLiteral("log"), QStringLiteral("--log")},     {QStringLiteral("delay"), QStringLiteral("--delay")},
    {QStringLiteral("cycles"), QStringLiteral("--cycles")},
};
const QList<std::pair<QString, QString>> FlagFields = {
    {QStringLiteral("verify"), QStringLiteral("--verify")},
    {QStringLiteral("yes"), QStringLiteral("--yes")},
    {QStringLiteral("noVerify"), QStringLiteral("--no-verify")},
};
// In the order the commands take them.
const QStringList ArgumentFields = {QStringLiteral("channel"), QStringLiteral("value"), QStringLiteral("file"),
                                    QStringLiteral("files")};

// A number as the command line would spell it: 10, 2.5, 0.1.
std::optional<QString> text_of(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 15);
    return std::nullopt;
}

CliFailure field_failure(const QString &field, const QString &what)
{
    return usage_failure(QStringLiteral("\"%1\" must be %2").arg(field, what));
}

} // namespace

CommandOutcome read_session_request(const QByteArray &line, SessionRequest *request)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError)
        return usage_failure(QStringLiteral("Not JSON: %1 at character %2").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        return usage_failure(QStringLiteral("A request is one JSON object"));
    const QJsonObject object = document.object();
    request->id = object.value(QStringLiteral("id"));
    if (request->id.isUndefined())
        request->id = QJsonValue::Null;
    request->command = object.value(QStringLiteral("cmd")).toString();
    if (!SessionCommands.contains(request->command))
        return field_failure(QStringLiteral("cmd"), QStringLiteral("one of ") + SessionCommands.join(QStringLiteral(", ")));

    QStringList options;
    QStringList arguments;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString &field = it.key();
        const QJsonValue &value = it.value();
        if (field == QLatin1String("id") || field == QLatin1String("cmd"))
            continue;
        if (field == QLatin1String("progress")) {
            if (!value.isBool())
                return field_failure(field, QStringLiteral("true or false"));
            request->progress = value.toBool();
            continue;
        }
        const auto is_field = [&field](const std::pair<QString, QString> &entry) { return entry.first == field; };
        if (const auto option = std::find_if(ValueFields.begin(), ValueFields.end(), is_field);
            option != ValueFields.end()) {
            const std::optional<QString> text = text_of(value);
            if (!text)
                return field_failure(field, QStringLiteral("a number or a text"));
            options << option->second << *text;
        } else if (const auto flag = std::find_if(FlagFields.begin(), FlagFields.end(), is_field);
                   flag != FlagFields.end()) {
            if (!value.isBool())
                return field_failure(field, QStringLiteral("true or false"));
            if (value.toBool())
                options << flag->second;
        } else if (!ArgumentFields.contains(field)) {
            return usage_failure(QStringLiteral("Unknown field \"%1\"").arg(field));
        }
    }
    // The arguments in the command's order, whatever the order of the fields.
    for (const QString &field : ArgumentFields) {
        const QJsonValue value = object.value(field);
        if (value.isUndefined())
            continue;
        const QJsonArray list = value.isArray() ? value.toArray() : QJsonArray{value};
        for (const QJsonValue &item : list) {
            const std::optional<QString> text = text_of(item);
            if (!text)
                return field_failure(field, field == QLatin1String("files") ? QStringLiteral("a list of texts")
                                                                             : QStringLiteral("a number or a text"));
            arguments << *text;
        }
    }
    request->arguments = QStringList{request->command} + options + QStringList{QStringLiteral("--")} + arguments;
    return std::nullopt;
}

} // namespace zrx
