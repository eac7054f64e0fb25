#pragma once

#include "cli_runner.h"

#include "sim/simulated_board.h"
#include "support/line_trace_decoder.h"
#include "support/recording_serial_control.h"

#include <QProcess>
#include <QTextStream>

namespace zrx {

// The tool in-process on the simulated board, with a recorder in front of the
// board so the wire can be decoded. `ports` is only ever run with --simulate.
// recorder stays null when the run never made a port.
struct Cli {
    SimulatedBoard board;
    RecordingSerialControl *recorder = nullptr; // the runner's, kept after a run
    std::function<void(RecordingSerialControl &)> recorder_ready;
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
    CliRunner runner{outStream, errStream,
                     [this](const PortChoice &) {
                         auto control = std::make_unique<RecordingSerialControl>();
                         control->forward_to(&board);
                         recorder = control.get();
                         if (recorder_ready)
                             recorder_ready(*recorder);
                         return control;
                     },
                     [] { return QList<PortListing>{}; }};

    int run(const QString &commandLine)
    {
        return runner.run(QStringList{QStringLiteral("zrx50346-cli")} + QProcess::splitCommand(commandLine));
    }
    LineTrace trace() const { return recorder ? recorder->trace() : LineTrace{}; }
    QStringList wire() const { return decode_transactions(trace()); }
};

} // namespace zrx
