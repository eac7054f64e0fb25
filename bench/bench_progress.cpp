// What watching the bus work costs when the work is quick: the window's
// busy indicator hears of every step, on fast ports too, and must add next to
// nothing there. On real hardware a transaction is at least 118 driver
// requests of several microseconds each.

#include "device/bus_work.h"
#include "ui/main/busy_indicator.h"

#include <benchmark/benchmark.h>

#include <QStatusBar>

namespace {

using namespace zrx;

// Steps of one read-back with all 24 rows written back: 25 register steps
// and 24 channel writes.
constexpr int StepsPerAction = 49;

void progress_step(benchmark::State &state)
{
    QStatusBar statusBar;
    BusyIndicator indicator(statusBar);
    const BusWorkStep reading{BusWorkStep::Kind::ReadingRegister, 1, 25, {}};
    const BusWorkStep writing{BusWorkStep::Kind::WritingChannel, 1, 0, {}};
    for (auto _ : state) {
        // A quick action each time round, so the indicator never has cause
        // to show itself.
        const BusWorkAction action(&indicator);
        for (int i = 0; i < StepsPerAction; ++i)
            indicator.bus_work_step(i < 25 ? reading : writing);
    }
    state.counters["ns_per_step"] = benchmark::Counter(double(state.iterations()) * StepsPerAction / 1e9,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(progress_step);

} // namespace
