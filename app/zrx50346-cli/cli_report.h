#pragma once

#include "cli_failure.h"

#include <QJsonObject>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace zrx {

// Where a command's results go: plain text for people, printed as it comes,
// or one JSON object for scripts, printed at the end. Errors always go to
// stderr as text; with --json they are also the object on stdout:
//   {"error": {"code": 2, "message": "COM5 (/dev/ttyUSB0) is in use by another program"}}
class CliReport {
public:
    CliReport(QTextStream &out, QTextStream &err, bool json);

    bool json() const { return m_json; }

    // Text output only; with --json it goes to the progress sink, if any.
    void say(const QString &line);
    // A session's progress events: with --json, each line say() is given.
    void set_progress(std::function<void(const QString &)> sink) { m_progress = std::move(sink); }
    // A warning or a note on stderr, in text and JSON runs alike; the run goes on.
    void warn(const QString &line);
    // Rows of cells in aligned columns, the first row being the header.
    void table(const QList<QStringList> &rows);

    // The JSON result, filled by the command.
    QJsonObject &object() { return m_object; }

    // Ends the run: the JSON result, or the error (with whatever the command
    // had put in the result by then). Returns the exit status.
    int finish(const CommandOutcome &outcome);

private:
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_json;
    QJsonObject m_object;
    std::function<void(const QString &)> m_progress;
};

// Hexadecimal as the tool shows it: 0x233; at least `digits` digits.
QString hex_text(int value, int digits = 3);

} // namespace zrx
