#include "device/batch_runner.h"

namespace zrx {

bool send_step_marker(SerialControl &port)
{
    static const QByteArray StepMarker("\x01\x00\x00\x00", 4);
    return port.is_open() && port.output(StepMarker);
}

BatchFile BatchRunner::play_file(int position)
{
    BatchFile file = m_face.write_file(position);
    if (file.result == BatchFile::Result::Played)
        file.markerSent = send_step_marker(m_port);
    return file;
}

bool BatchRunner::chosen_after(int position) const
{
    for (int p = position + 1; p < m_face.file_count(); ++p) {
        if (m_face.file_chosen(p))
            return true;
    }
    return false;
}

BatchRunReport BatchRunner::run(int cycles)
{
    BatchRunReport report;
    for (int cycle = 1; cycles == 0 || cycle <= cycles; ++cycle) {
        bool triedAny = false;
        for (int p = 0; p < m_face.file_count(); ++p) {
            if (!m_face.file_chosen(p))
                continue;
            triedAny = true;
            BatchFile file = play_file(p);
            file.cycle = cycle;
            if (file.result == BatchFile::Result::Cut) {
                report.stopped = true;
                report.cutPosition = p;
                report.cutWritten = file.written;
                return report;
            }
            if (file.markerSent)
                ++report.steps;
            if (!m_face.file_done(p, file)) {
                report.failed = true;
                return report;
            }
            // Asked before the pause: the face may be gone after it.
            const bool lastOfPass = !chosen_after(p);
            if (!m_face.pause_after_file()) {
                report.stopped = true;
                report.cyclesFinished = lastOfPass ? cycle : cycle - 1;
                return report;
            }
        }
        report.cyclesFinished = cycle;
        if (!m_face.pass_done(triedAny)) {
            report.stopped = true;
            return report;
        }
    }
    return report;
}

} // namespace zrx
