#!/usr/bin/env bash
# Builds the benchmarks in release mode and prints one table of the program's
# speed and memory figures beside their targets. Takes a few minutes the first
# time (the build), about a minute after that.
#
# usage: bash bench/run.sh [build-dir] [Google Benchmark options...]
#   build-dir defaults to build-bench; e.g. --benchmark_out=bench.json keeps
#   the raw figures.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
if [ $# -gt 0 ] && [[ $1 != -* ]]; then
    build=$1
    shift
fi

dpkg-query -W -f='${Status}' libbenchmark-dev 2>/dev/null | grep -q "install ok installed" \
    || bash scripts/install-deps.sh libbenchmark-dev

# The tests stay configured for the preload library that counts driver
# requests; only what the benchmarks need is built.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZRX_BUILD_BENCH=ON -DZRX_BUILD_TESTS=ON \
    -DZRX_SANITIZE=OFF >/dev/null
cmake --build "$build" --target bench_zrx >/dev/null

export QT_QPA_PLATFORM=offscreen
"$build/bench/bench_zrx" "$@"
