#include "batch_command.h"

#include "stop_signals.h"

#include <QFileInfo>

namespace zrx {
namespace {

// Told to the instrument after every file: the first byte 1, the rest 0.
const QByteArray StepMarker("\x01\x00\x00\x00", 4);

} // namespace

CommandOutcome batch_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                             CliReport &report)
{
    const StopSignals stop;
    int steps = 0;
    int cycle = 1;
    bool stopped = false;
    for (; invocation.cycles == 0 || cycle <= invocation.cycles; ++cycle) {
        for (const ChannelSet &set : input.sets) {
            write_channel_set(session, set);
            const bool marked = session.port().output(StepMarker);
            if (CommandOutcome fault = session.port_fault())
                return fault;
            if (!marked)
                return CliFailure{ExitCode::Port,
                                  session.port_name() + QStringLiteral(": the step marker did not go out in time")};
            ++steps;
            report.say(QStringLiteral("cycle %1  %2").arg(cycle).arg(QFileInfo(set.path).fileName()));
            stopped = stop.stop_requested() || stop.pause(invocation.delaySeconds);
            if (stopped)
                break;
        }
        if (stopped)
            break;
    }
    if (stopped)
        report.say(QStringLiteral("Stopped after %1 files").arg(steps));
    report.object() = {{QStringLiteral("steps"), steps},
                       {QStringLiteral("cycles"), stopped ? cycle : invocation.cycles},
                       {QStringLiteral("stopped"), stopped}};
    return std::nullopt;
}

} // namespace zrx
