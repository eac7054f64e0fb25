#!/usr/bin/env bash
# Builds the Windows program from this Debian machine and checks it:
#   1. Qt for x86_64-w64-mingw32, built once from Debian's own source packages
#      of the Qt that the Linux build uses, into a cache outside the
#      repository (later runs reuse it);
#   2. the program and its tests, cross-built with cmake/mingw-w64-x86_64.cmake;
#   3. the whole test suite under Wine, on Qt's offscreen platform;
#   4. the NSIS installer: installed silently under Wine, both installed
#      programs started on the simulated board, uninstalled again.
# Each phase says what it took. Options:
#   --qt-only         stop after phase 1
#   --no-qt-build     fail instead of building Qt when the cache has none
#                     (what CI uses: building Qt takes far too long there)
# The cache is $ZRX_WINDOWS_CACHE, by default ~/.cache/zrx50346-windows.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

qt_only=false
build_qt=true
for arg in "$@"; do
    case "$arg" in
    --qt-only) qt_only=true ;;
    --no-qt-build) build_qt=false ;;
    *) echo "check-windows.sh: unknown option $arg" >&2; exit 1 ;;
    esac
done

cache=${ZRX_WINDOWS_CACHE:-$HOME/.cache/zrx50346-windows}
qt_prefix=$cache/qt6-mingw64
build=$repo/build-windows
jobs=$(nproc)
triple=x86_64-w64-mingw32
mkdir -p "$cache"

phase_start=$SECONDS
summary=()
phase_done() {
    local took=$((SECONDS - phase_start))
    summary+=("$(printf '%-34s %5d s' "$1" "$took")")
    echo "== $1: ${took}s"
    phase_start=$SECONDS
}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# --- Packages -----------------------------------------------------------------
# The Linux Qt of the same version gives the host tools (moc, rcc, uic) that a
# cross build of Qt and of the program runs.
bash scripts/install-deps.sh \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools \
    wine64 wine nsis xvfb xauth x11-apps imagemagick dpkg-dev
phase_done "Packages"

# --- Qt for Windows -----------------------------------------------------------
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/+.*//')
qt_stamp=$qt_prefix/.built-$qt_version

# apt-get source needs a deb-src line for the archive the binaries come from:
# the same entries as the machine's own, for sources.
enable_deb_src() {
    if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            $sudo tee /etc/apt/sources.list.d/zrx50346-deb-src.sources >/dev/null
        $sudo apt-get update
    fi
}

# Unpacks the source of the package that built Debian package $2 (at its
# installed version) under the cache, once; prints the source folder.
qt_source() {
    local srcpkg=$1 binpkg=$2 version
    version=$(dpkg-query -W -f='${Version}' "$binpkg")
    local dir
    dir=$(ls -d "$cache/src/$srcpkg-"*/ 2>/dev/null | head -1)
    if [ -z "$dir" ]; then
        enable_deb_src
        mkdir -p "$cache/src"
        (cd "$cache/src" && apt-get source "$srcpkg=$version") >&2
        dir=$(ls -d "$cache/src/$srcpkg-"*/ | head -1)
    fi
    echo "${dir%/}"
}

build_qt_for_windows() {
    local qtbase qtserialport
    qtbase=$(qt_source qt6-base qt6-base-dev)
    # Qt remembers the toolchain file it was built with; keep a copy in the
    # cache so the cache does not depend on where this clone lies.
    cp "$repo/cmake/mingw-w64-x86_64.cmake" "$cache/mingw-w64-x86_64.cmake"

    # Only what the program and its tests use. Debian's source leaves out the
    # Windows tablet header, hence no tablet events; the Windows platform
    # plugin of this Qt does not build without OpenGL, so that stays.
    cmake -S "$qtbase" -B "$cache/build-qtbase" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$cache/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$qt_prefix" -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_tabletevent=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
        -DFEATURE_opengl=ON -DFEATURE_opengles2=OFF -DFEATURE_vulkan=OFF
    cmake --build "$cache/build-qtbase" -j "$jobs"
    cmake --install "$cache/build-qtbase"

    qtserialport=$(qt_source qt6-serialport qt6-serialport-dev)
    "$qt_prefix/bin/qt-cmake" -S "$qtserialport" -B "$cache/build-qtserialport" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release
    cmake --build "$cache/build-qtserialport" -j "$jobs"
    cmake --install "$cache/build-qtserialport"
    touch "$qt_stamp"
}

if [ ! -e "$qt_stamp" ]; then
    if ! $build_qt; then
        echo "check-windows.sh: no Qt for Windows in $qt_prefix; run without --no-qt-build once" >&2
        exit 1
    fi
    build_qt_for_windows
    phase_done "Qt $qt_version for Windows (built)"
else
    phase_done "Qt $qt_version for Windows (cached)"
fi
$qt_only && { printf '%s\n' "${summary[@]}"; exit 0; }
