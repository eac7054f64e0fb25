#include "batch_command.h"

#include <QFileInfo>

namespace zrx {
namespace {

// Told to the instrument after every file: the first byte 1, the rest 0.
const QByteArray StepMarker("\x01\x00\x00\x00", 4);

// "1 file", "3 files".
QString counted(int count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

CommandOutcome batch_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                             CliReport &report)
{
    int steps = 0;
    int cycle = 1;
    // The file a stop cut short, and how many of its channels went out.
    QString cutFile;
    int cutWritten = 0;
    bool stopped = false;
    for (; !stopped && (invocation.cycles == 0 || cycle <= invocation.cycles); ++cycle) {
        for (const ChannelSet &set : input.sets) {
            const int written = write_channel_set(session, set);
            if (CommandOutcome fault = session.port_fault())
                return fault;
            if (written < ChannelCount) {
                cutFile = QFileInfo(set.path).fileName();
                cutWritten = written;
                stopped = true;
                break;
            }
            if (!session.port().output(StepMarker)) {
                if (CommandOutcome fault = session.port_fault())
                    return fault;
                return CliFailure{ExitCode::Port,
                                  session.port_name() + QStringLiteral(": the step marker did not go out in time")};
            }
            ++steps;
            report.say(QStringLiteral("cycle %1  %2").arg(cycle).arg(QFileInfo(set.path).fileName()));
            stopped = session.stop_requested() || session.stop_signals().pause(invocation.delaySeconds);
            if (stopped)
                break;
        }
    }
    if (stopped) {
        QString line = QStringLiteral("Stopped after %1").arg(counted(steps, "file", "files"));
        if (cutWritten > 0)
            line += QStringLiteral(" and %1 of %2, which got no marker")
                        .arg(counted(cutWritten, "channel", "channels"), cutFile);
        report.say(line + QStringLiteral(" (%1)").arg(session.signal_name()));
    }
    report.object() = {{QStringLiteral("steps"), steps},
                       {QStringLiteral("cycles"), stopped ? cycle - 1 : invocation.cycles},
                       {QStringLiteral("stopped"), stopped}};
    if (stopped) {
        report.object().insert(QStringLiteral("signal"), session.signal_name());
        report.object().insert(QStringLiteral("channelsWritten"), steps * ChannelCount + cutWritten);
    }
    return std::nullopt;
}

} // namespace zrx
