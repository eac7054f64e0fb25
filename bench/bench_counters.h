#pragma once

#include <benchmark/benchmark.h>

namespace zrx {

// Turns the time of an iteration into nanoseconds per line operation, the
// unit the bus targets are given in.
inline void report_per_line_operation(benchmark::State &state, int operationsPerIteration)
{
    state.counters["ns_per_line_op"] = benchmark::Counter(
        double(operationsPerIteration) * double(state.iterations()) / 1e9,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace zrx
