#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
# Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRX_BUILD_TESTS=OFF
cmake --build build --target zrx50346
exec ./build/app/zrx50346 "$@"
