// Measures that need a process of their own: the driver requests of the real
// port (counted by the test preload on a pseudo-terminal) and the start-up of
// the whole program against an empty Qt window.

#include "child_process.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {

using namespace zrx;

constexpr int ChannelWriteOperations = 226;
constexpr int ReadBackOperations = 25 * (118 + 172 + 16);
constexpr int StartUpRuns = 9;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

#if defined(ZRX_DRIVE_PTY_PORT) && defined(ZRX_FAKE_MODEM_IOCTL)
// The preload writes one character per request it answers; the open and
// close of the port cost the same in every mode and are taken off.
qint64 requests_of(const QString &mode, const QString &log)
{
    QFile::remove(log);
    const ChildResult run = run_child(QStringLiteral(ZRX_DRIVE_PTY_PORT), {mode},
                                      {QStringLiteral("LD_PRELOAD=" ZRX_FAKE_MODEM_IOCTL),
                                       QStringLiteral("ZRX_FAKE_MODEM_LOG=") + log});
    return run.ok ? QFile(log).size() : -1;
}

void driver_requests(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("requests"));
    qint64 write = 0, readBack = 0;
    for (auto _ : state) {
        const qint64 base = requests_of(QStringLiteral("open-only"), log);
        write = requests_of(QStringLiteral("channel-write"), log) - base;
        readBack = requests_of(QStringLiteral("read-back"), log) - base;
        if (base < 0 || write < 0 || readBack < 0)
            state.SkipWithError("drive_pty_port failed");
    }
    state.counters["channel_write"] = double(write);
    state.counters["read_back"] = double(readBack);
    state.counters["per_line_op"] = double(write + readBack) / double(ChannelWriteOperations + ReadBackOperations);
}
BENCHMARK(driver_requests)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
#endif

struct StartUp {
    double milliseconds = -1;
    double peakMiB = -1;
};

// The start-up programs write their own peak memory to a file: the system's
// figure for a child spawned from this process would include this process.
StartUp start_program(const char *program, const QString &peakFile)
{
    QFile::remove(peakFile);
    const ChildResult run = run_child(QString::fromLocal8Bit(program), {},
                                      {QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                                       QStringLiteral("ZRX_PEAK_MEMORY_FILE=") + peakFile});
    QFile file(peakFile);
    if (!run.ok || !file.open(QIODevice::ReadOnly))
        return {};
    return {run.wallSeconds * 1e3, file.readAll().trimmed().toDouble() / 1024.0};
}

// Both programs in turn, so that a busy moment of the machine hits both alike.
void start_up(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString peakFile = dir.filePath(QStringLiteral("peak"));
    std::vector<double> mainTimes, emptyTimes, mainMemory, emptyMemory;
    for (auto _ : state) {
        // One unmeasured run each: the first start reads the libraries from disk.
        start_program(ZRX_STARTUP_MAIN, peakFile);
        start_program(ZRX_STARTUP_EMPTY, peakFile);
        for (int i = 0; i < StartUpRuns; ++i) {
            const StartUp main = start_program(ZRX_STARTUP_MAIN, peakFile);
            const StartUp empty = start_program(ZRX_STARTUP_EMPTY, peakFile);
            if (main.milliseconds < 0 || empty.milliseconds < 0) {
                state.SkipWithError("a start-up program failed");
                return;
            }
            mainTimes.push_back(main.milliseconds);
            emptyTimes.push_back(empty.milliseconds);
            mainMemory.push_back(main.peakMiB);
            emptyMemory.push_back(empty.peakMiB);
        }
    }
    state.counters["main_ms"] = median(mainTimes);
    state.counters["empty_ms"] = median(emptyTimes);
    state.counters["main_maxrss_mib"] = median(mainMemory);
    state.counters["empty_maxrss_mib"] = median(emptyMemory);
}
BENCHMARK(start_up)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
