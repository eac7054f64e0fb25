#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the simulated
# board, so trying it out never touches a serial port. Further arguments are
# passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRX_BUILD_TESTS=OFF
cmake --build build --target zrx50346
exec ./build/bin/zrx50346 --simulate "$@"
