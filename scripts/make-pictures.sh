#!/usr/bin/env bash
# Renders every window on the simulated board, offscreen, into docs/images/.
# Run it again after changing a window.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-pictures -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZRX_BUILD_TESTS=OFF -DZRX_BUILD_DOC_PICTURES=ON
cmake --build build-pictures --target window_pictures
mkdir -p docs/images
QT_QPA_PLATFORM=offscreen ./build-pictures/docs/pictures/window_pictures docs/images
