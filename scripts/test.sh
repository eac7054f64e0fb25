#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite under CTest on
# Qt's offscreen platform. With CI=true it also builds and runs the suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and gives every fuzz target
# a short run.
set -euo pipefail
cd "$(dirname "$0")/.."

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
ci=${CI:-false}

# Qt's private GUI headers: the window tests queue input as the window system does.
# pytest: the Python module's tests.
extra_packages=(qt6-base-private-dev python3-pytest)
[ "$ci" = "true" ] && extra_packages+=(clang libclang-rt-14-dev)
bash scripts/install-deps.sh "${extra_packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRX_BUILD_TESTS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

if [ "$ci" = "true" ]; then
    # The whole run must stay well inside CI's time on two cores; each phase
    # says what it took.
    echo "== Plain build and tests: ${SECONDS}s"

    echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZRX_BUILD_TESTS=ON -DZRX_SANITIZE=ON
    cmake --build build-asan -j "$jobs"
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
    echo "== Sanitizer build and tests done: ${SECONDS}s"

    echo "== Fuzz targets, short runs"
    # Only the fuzzers and the libraries beneath them; the windows are not fuzzed.
    CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZRX_BUILD_TESTS=OFF -DZRX_BUILD_FUZZ=ON
    cmake --build build-fuzz -j "$jobs" --target fuzzers
    ctest --test-dir build-fuzz --output-on-failure -j "$jobs"
    echo "== Fuzz runs done: ${SECONDS}s"
fi
