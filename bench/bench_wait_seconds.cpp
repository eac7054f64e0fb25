// What a pause costs the machine: wait_seconds keeps the window live by
// running the event loop, and must not do so by spinning on a core.

#include "core/wait_seconds.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <sys/resource.h>

namespace {

double process_cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void wait_seconds_2s(benchmark::State &state)
{
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const double before = process_cpu_seconds();
        zrx::wait_seconds(2.0);
        cpu += process_cpu_seconds() - before;
        wall += double(clock.nsecsElapsed()) / 1e9;
    }
    state.counters["cpu_share"] = cpu / wall;
}
BENCHMARK(wait_seconds_2s)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
