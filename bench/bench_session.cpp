// A 64-step sweep of one channel (channel 5 to code 0, 16, ..., 1008) as a
// script runs it: 64 runs of zrx50346-cli, one process each, against one
// `zrx50346-cli session` that gets each request once the answer before it
// is in. On the simulated board, in whole processes; on the emulated FTDI
// adapter in fast mode (the tests' fake libftdi, 1 ms per USB request or
// transfer plus the time on the pins), in-process: each single run opens the
// adapter and takes fast mode, the session does that once.

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QProcess>

#ifdef ZRX_HAVE_FAKE_FTDI
#include "bus/fast_mode_serial_control.h"
#include "cli_runner.h"
#include "fake_ftdi_adapter.h"
#include "fake_usb_adapter_locator.h"
#include "session_runner.h"
#include "sim/simulated_board.h"
#endif

namespace {

using namespace zrx;

constexpr int SweepSteps = 64;
constexpr int Iterations = 3;

QString code_of(int step)
{
    return QStringLiteral("code:%1").arg(step * 16);
}

QByteArray request_of(int step)
{
    return QStringLiteral(R"({"id": %1, "cmd": "write", "channel": 5, "value": "%2"})")
               .arg(step)
               .arg(code_of(step))
               .toUtf8();
}

void session_sweep_processes(benchmark::State &state)
{
    for (auto _ : state) {
        for (int step = 0; step < SweepSteps; ++step) {
            // What it prints would break up the table.
            QProcess single;
            single.setStandardOutputFile(QProcess::nullDevice());
            single.start(QStringLiteral(ZRX_CLI_PROGRAM), {QStringLiteral("--simulate"), QStringLiteral("write"),
                                                           QStringLiteral("5"), code_of(step)});
            if (!single.waitForFinished(10'000) || single.exitCode() != 0)
                state.SkipWithError("zrx50346-cli write failed");
        }
    }
}
BENCHMARK(session_sweep_processes)->Iterations(Iterations)->UseRealTime()->Unit(benchmark::kMillisecond);

void session_sweep_session(benchmark::State &state)
{
    for (auto _ : state) {
        QProcess session;
        session.start(QStringLiteral(ZRX_CLI_PROGRAM), {QStringLiteral("session"), QStringLiteral("--simulate")});
        for (int step = 0; step < SweepSteps; ++step) {
            session.write(request_of(step) + '\n');
            while (!session.canReadLine() && session.waitForReadyRead(10'000)) {
            }
            if (!session.readLine().contains(R"("ok":true)"))
                state.SkipWithError("a session write failed");
        }
        session.closeWriteChannel();
        if (!session.waitForFinished(10'000) || session.exitCode() != 0)
            state.SkipWithError("the session did not end cleanly");
    }
}
BENCHMARK(session_sweep_session)->Iterations(Iterations)->UseRealTime()->Unit(benchmark::kMillisecond);

#ifdef ZRX_HAVE_FAKE_FTDI
constexpr qint64 UsbRoundTripNanoseconds = 1'000'000;
qint64 clockSeen = 0;

// What the program waited for the adapter since the last call: round trips
// of 1 ms, overlapping where the transfers do, and the states on the pins.
double adapter_seconds()
{
    const qint64 now = FakeFtdiAdapter::get().clockNanoseconds;
    return double(now - std::exchange(clockSeen, now)) * 1e-9;
}

void fresh_adapter()
{
    FakeFtdiAdapter::reset().transferNanoseconds = UsbRoundTripNanoseconds;
    clockSeen = 0;
}

std::unique_ptr<SerialControl> fake_adapter(const PortChoice &)
{
    return std::make_unique<FastModeSerialControl>(std::make_unique<SimulatedBoard>(), make_fake_ftdi_control());
}

struct SweepInput final : SessionInput {
    int step = 0;
    std::optional<QByteArray> next_line(const StopSignals &) override
    {
        return step < SweepSteps ? std::optional<QByteArray>(request_of(step++)) : std::nullopt;
    }
};

void session_sweep_fake_ftdi_single_runs(benchmark::State &state)
{
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    CliRunner runner(outStream, errStream, fake_adapter, [] { return QList<PortListing>{}; });
    fresh_adapter();
    for (auto _ : state) {
        adapter_seconds();
        QElapsedTimer own;
        own.start();
        for (int step = 0; step < SweepSteps; ++step) {
            if (runner.run({QStringLiteral("zrx50346-cli"), QStringLiteral("--port"), QStringLiteral("COM5"),
                            QStringLiteral("--fast"), QStringLiteral("write"), QStringLiteral("5"), code_of(step)})
                != 0)
                state.SkipWithError("write failed");
        }
        state.SetIterationTime(double(own.nsecsElapsed()) * 1e-9 + adapter_seconds());
    }
}
BENCHMARK(session_sweep_fake_ftdi_single_runs)->Iterations(Iterations)->UseManualTime()->Unit(benchmark::kMillisecond);

void session_sweep_fake_ftdi_session(benchmark::State &state)
{
    fresh_adapter();
    for (auto _ : state) {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        SweepInput input;
        SessionRunner session(outStream, errStream, fake_adapter, input);
        adapter_seconds();
        QElapsedTimer own;
        own.start();
        if (session.run({QStringLiteral("zrx50346-cli"), QStringLiteral("session"), QStringLiteral("--port"),
                         QStringLiteral("COM5"), QStringLiteral("--fast")})
                != 0
            || out.count(QStringLiteral(R"("ok":true)")) != SweepSteps)
            state.SkipWithError("the session's writes failed");
        state.SetIterationTime(double(own.nsecsElapsed()) * 1e-9 + adapter_seconds());
    }
}
BENCHMARK(session_sweep_fake_ftdi_session)->Iterations(Iterations)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

} // namespace
