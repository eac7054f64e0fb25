#include "session_command_line.h"

#include "command_line.h"

#include <QCommandLineParser>

namespace zrx {

SessionCommandLine parse_session_command_line(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QStringList valued = {QStringLiteral("port"), QStringLiteral("rate")};
    const QStringList flags = {QStringLiteral("simulate"), QStringLiteral("fast")};
    for (const QString &name : valued)
        parser.addOption({name, QString(), QStringLiteral("value")});
    for (const QString &name : flags)
        parser.addOption({name, QString()});
    parser.addOption({QStringLiteral("json"), QString()}); // answers are JSON anyway

    SessionCommandLine session;
    const bool understood = parser.parse(arguments);
    const QStringList positional = parser.positionalArguments();
    // An option the session does not take is told as such when the command
    // line starts with `session`; elsewhere "session" may be a file's name.
    session.isSession = understood ? positional.value(0) == QLatin1String("session")
                                   : arguments.value(1) == QLatin1String("session");
    if (!session.isSession)
        return session;
    if (!understood || positional.size() > 1) {
        const QString why = understood ? QStringLiteral("it takes no arguments") : parser.errorText();
        session.failure = usage_failure(
            QStringLiteral("session takes only --port, --simulate, --rate and --fast, once: %1").arg(why));
        return session;
    }
    for (const QString &name : valued) {
        if (parser.isSet(name))
            session.portArguments << QStringLiteral("--") + name << parser.value(name);
    }
    for (const QString &name : flags) {
        if (parser.isSet(name))
            session.portArguments << QStringLiteral("--") + name;
    }
    // The port options meet the single commands' checks once, before any
    // request is read.
    const ParsedCommandLine probe =
        parse_command_line(QStringList{arguments.value(0), QStringLiteral("reset")} + session.portArguments);
    session.failure = probe.failure;
    return session;
}

} // namespace zrx
