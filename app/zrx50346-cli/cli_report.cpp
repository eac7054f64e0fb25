#include "cli_report.h"

#include <QJsonDocument>

namespace zrx {
namespace {

// A line for the terminal: a file name or value with control characters in
// it (an escape sequence) must not steer it, so each shows as "?".
QString terminal_safe(QString line)
{
    for (QChar &c : line) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            c = QChar(u'?');
    }
    return line;
}

} // namespace

CliReport::CliReport(QTextStream &out, QTextStream &err, bool json) : m_out(out), m_err(err), m_json(json) {}

void CliReport::say(const QString &line)
{
    if (m_json) {
        if (m_progress)
            m_progress(line);
        return;
    }
    m_out << terminal_safe(line) << '\n';
    // A batch says each step as it happens, also into a pipe.
    m_out.flush();
}

void CliReport::warn(const QString &line)
{
    m_err << "zrx50346-cli: " << terminal_safe(line) << '\n';
    m_err.flush();
}

void CliReport::table(const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i == widths.size())
                widths << 0;
            widths[i] = qMax(widths[i], row[i].size());
        }
    }
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        // Empty cells at the end leave no blanks behind.
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        say(line);
    }
}

int CliReport::finish(const CommandOutcome &outcome)
{
    if (!outcome) {
        if (m_json)
            m_out << QJsonDocument(m_object).toJson(QJsonDocument::Compact) << '\n';
        m_out.flush();
        return int(ExitCode::Done);
    }
    m_err << "zrx50346-cli: " << terminal_safe(outcome->message) << '\n';
    m_err.flush();
    if (m_json) {
        const QJsonObject error{{QStringLiteral("code"), int(outcome->code)},
                                {QStringLiteral("message"), outcome->message}};
        QJsonObject object = m_object;
        object.insert(QStringLiteral("error"), error);
        m_out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    }
    m_out.flush();
    return int(outcome->code);
}

QString hex_text(int value, int digits)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

} // namespace zrx
