#include "batch_command.h"

#include "device/batch_runner.h"

#include <QFileInfo>

namespace zrx {
namespace {

// The tool's face of the batch runner: the sets read at the start, every
// one of them played, a signal looked at between frames and in the pause,
// and a lost port or a marker that did not go out ending the run.
class ToolBatch final : public BatchFace {
public:
    ToolBatch(ChipSession &session, const Invocation &invocation, const CommandInput &input, CliReport &report)
        : m_session(session), m_invocation(invocation), m_input(input), m_report(report)
    {
    }

    QString file_name(int position) const { return QFileInfo(m_input.sets.at(position).path).fileName(); }
    const CommandOutcome &failure() const { return m_failure; }

    int file_count() const override { return int(m_input.sets.size()); }
    bool file_chosen(int) const override { return true; }

    BatchFile write_file(int position) override
    {
        const ChannelSet &set = m_input.sets.at(position);
        const int written = write_channel_set(m_session, set);
        if ((m_failure = channel_set_fault(m_session, written, set.path)))
            return {BatchFile::Result::Skipped, written};
        return {written < ChannelCount ? BatchFile::Result::Cut : BatchFile::Result::Played, written};
    }

    bool file_done(int position, const BatchFile &file) override
    {
        if (m_failure)
            return false;
        if (!file.markerSent) {
            m_failure = m_session.port_fault();
            if (!m_failure)
                m_failure = CliFailure{ExitCode::Port, m_session.port_name()
                                                           + QStringLiteral(": the step marker did not go out in time")};
            return false;
        }
        m_report.say(QStringLiteral("cycle %1  %2").arg(file.cycle).arg(file_name(position)));
        return true;
    }

    bool pause_after_file() override
    {
        return !m_session.stop_requested() && !m_session.stop_signals().pause(m_invocation.delaySeconds);
    }

    bool pass_done(bool) override { return true; }

private:
    ChipSession &m_session;
    const Invocation &m_invocation;
    const CommandInput &m_input;
    CliReport &m_report;
    CommandOutcome m_failure;
};

// "1 file", "3 files".
QString counted(int count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

CommandOutcome batch_command(ChipSession &session, const Invocation &invocation, const CommandInput &input,
                             CliReport &report)
{
    ToolBatch batch(session, invocation, input, report);
    const BatchRunReport run = BatchRunner(batch, session.port()).run(invocation.cycles);
    if (run.failed)
        return batch.failure();
    if (run.stopped) {
        QString line = QStringLiteral("Stopped after %1").arg(counted(run.steps, "file", "files"));
        if (run.cutWritten > 0)
            line += QStringLiteral(" and %1 of %2, which got no marker")
                        .arg(counted(run.cutWritten, "channel", "channels"), batch.file_name(run.cutPosition));
        report.say(line + QStringLiteral(" (%1)").arg(session.signal_name()));
    }
    report.object() = {{QStringLiteral("steps"), run.steps},
                       {QStringLiteral("cycles"), run.cyclesFinished},
                       {QStringLiteral("stopped"), run.stopped}};
    if (run.stopped) {
        report.object().insert(QStringLiteral("signal"), session.signal_name());
        report.object().insert(QStringLiteral("channelsWritten"), run.channels_written());
    }
    return std::nullopt;
}

} // namespace zrx
