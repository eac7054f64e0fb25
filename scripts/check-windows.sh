#!/usr/bin/env bash
# Builds the Windows program from this Debian machine and checks it:
#   1. Qt for x86_64-w64-mingw32, built once from Debian's own source package
#      of the Qt that the Linux build uses (qtbase; the Windows program opens
#      its ports with the Windows API and needs no Qt SerialPort), into a
#      cache outside the repository (later runs reuse it);
#   2. the program and its tests, cross-built with cmake/mingw-w64-x86_64.cmake;
#   3. the whole test suite under Wine, on Qt's offscreen platform;
#   4. the fast-mode benchmark table through the D2XX driver on its fake
#      library, as figures (Google Benchmark cross-built once from Debian's
#      source package into the same cache);
#   5. the NSIS installer: installed silently under Wine, both installed
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
        $sudo apt-get update >&2
    fi
}

# Unpacks the source of the package that built Debian package $2 (at its
# installed version) under the cache, once; prints the source folder. (The
# archive reached from the build machines serves no source of qt6-serialport.)
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
    local qtbase
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

# --- Google Benchmark for Windows ----------------------------------------------
# The benchmarks' library, from the source of the Debian package the Linux
# benchmarks use; small, built once into the cache. Debian's source leaves the
# version to the packaging, hence GIT_VERSION.
benchmark_prefix=$cache/benchmark-mingw64
benchmark_version=$(dpkg-query -W -f='${Version}' libbenchmark-dev 2>/dev/null || true)
if [ -z "$benchmark_version" ]; then
    bash scripts/install-deps.sh libbenchmark-dev
    benchmark_version=$(dpkg-query -W -f='${Version}' libbenchmark-dev)
fi
benchmark_stamp=$benchmark_prefix/.built-$benchmark_version
if [ ! -e "$benchmark_stamp" ]; then
    benchmark_source=$(qt_source benchmark libbenchmark-dev)
    rm -rf "$cache/build-benchmark"
    cmake -S "$benchmark_source" -B "$cache/build-benchmark" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$cache/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DGIT_VERSION="${benchmark_version%%-*}" -DBUILD_SHARED_LIBS=OFF \
        -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF \
        -DCMAKE_INSTALL_PREFIX="$benchmark_prefix" >/dev/null
    cmake --build "$cache/build-benchmark" -j "$jobs" >/dev/null
    cmake --install "$cache/build-benchmark" >/dev/null
    touch "$benchmark_stamp"
    phase_done "Google Benchmark for Windows (built)"
else
    phase_done "Google Benchmark for Windows (cached)"
fi

# --- The program and its tests, cross-built -----------------------------------
# Fast mode on Windows goes through FTDI's D2XX library, loaded at run time:
# nothing of FTDI's is needed to build it. The tests put a fake ftd2xx.dll
# beside themselves.
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZRX_BUILD_TESTS=ON \
    -DZRX_BUILD_BENCH=ON -Dbenchmark_DIR="$benchmark_prefix/lib/cmake/benchmark" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$repo/scripts/wine-run.sh"
cmake --build "$build" -j "$jobs"
phase_done "Program and tests for Windows"

# --- Wine ---------------------------------------------------------------------
# A Wine folder of this build's own. Wine maps COM ports to whatever serial
# devices it finds; here no COM name the program can open reaches a device of
# this machine: COM1 is the tests' pseudo-terminal (through a link the test
# points at its pty), COM2..COM16 are no port at all.
export WINEPREFIX=$build/wine
export ZRX_WINE_QT=$qt_prefix
export ZRX_WINE_COM1=$build/wine-com1
export WINEDEBUG=-all
wine="$repo/scripts/wine-run.sh"
if [ ! -e "$WINEPREFIX/system.reg" ]; then
    WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
fi
{
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    printf '"COM1"="%s"\r\n' "$ZRX_WINE_COM1"
    for n in $(seq 2 16); do printf '"COM%d"=""\r\n' "$n"; done
} >"$build/wine-ports.reg"
"$wine" regedit /S "Z:${build//\//\\}\\wine-ports.reg"
/usr/lib/wine/wineserver -k || true
/usr/lib/wine/wineserver -w
for n in $(seq 2 16); do
    if [ -e "$WINEPREFIX/dosdevices/com$n" ]; then
        echo "check-windows.sh: COM$n still leads to $(readlink "$WINEPREFIX/dosdevices/com$n"); stopping" >&2
        exit 1
    fi
done
phase_done "Wine folder"

# --- The test suite under Wine --------------------------------------------------
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600
# The suite stops the check on any failure, so these passed.
fast_tests=$(ctest --test-dir "$build" -N -R 'd2xx|fast' | sed -n 's/^ *Test *#[0-9]*: *//p' | tr '\n' ' ')
phase_done "Test suite under Wine"

# The command-line tool's pty test, from the Linux build, driving the Windows
# tool: its modem-line requests go through Wine's serial driver to the pty
# and the preloaded fake modem.
host_build=$repo/build-windows-host
cmake -S . -B "$host_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRX_BUILD_TESTS=ON >/dev/null
cmake --build "$host_build" -j "$jobs" --target tst_cli_on_pty fake_modem_ioctl
ZRX_WINE_CLI="$build/bin/zrx50346-cli.exe" ZRX_WINE_RUN="$wine" \
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$host_build" -R '^tst_cli_on_pty$' --output-on-failure
phase_done "Windows tool on a pty under Wine"

# --- Fast-mode figures under Wine ---------------------------------------------
# The benchmark table's fast-mode rows through the D2XX driver, which loads
# the fake ftd2xx.dll beside the benchmark: figures, no targets.
fast_figures=$build/fast-mode-figures.txt
QT_QPA_PLATFORM=offscreen "$wine" "$build/bench_zrx.exe" --benchmark_filter=fast_mode \
    --benchmark_enable_random_interleaving=false | tee "$fast_figures"
grep -q "fast mode through FTDI's D2XX library" "$fast_figures"
phase_done "Fast-mode figures under Wine"

# --- The installer ------------------------------------------------------------------
rm -f "$build"/zrx50346-*-setup.exe
(cd "$build" && cpack -G NSIS >/dev/null)
setup=$(ls "$build"/zrx50346-*-setup.exe)
echo "Installer: $setup ($(du -h "$setup" | cut -f1))"
phase_done "Installer built"

# Installed, started and removed with nothing of the build on Wine's path:
# the installed folder must hold all it needs.
plain_wine() { env -u WINEPATH -u QT_PLUGIN_PATH WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 "$@"; }
target='C:\zrx50346-check'
target_unix=$WINEPREFIX/drive_c/zrx50346-check
rm -rf "$target_unix"
plain_wine "$setup" /S "/D=$target"
for file in zrx50346.exe zrx50346-cli.exe Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll Uninstall.exe; do
    [ -e "$target_unix/$file" ] || { echo "check-windows.sh: the installer left out $file" >&2; exit 1; }
done
# FTDI's library comes with FTDI's driver, never with the program (the tests'
# fake one least of all).
if find "$target_unix" -iname 'ftd2xx*' | grep -q .; then
    echo "check-windows.sh: the installer holds an ftd2xx library" >&2
    exit 1
fi
shortcut=$(find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name 'ZRX50346.lnk' | head -1)
[ -n "$shortcut" ] || { echo "check-windows.sh: no Start-menu entry" >&2; exit 1; }
echo "Start-menu entry: ${shortcut#"$WINEPREFIX/"}"

cli_output=$(plain_wine "$target\\zrx50346-cli.exe" --simulate read --vsup 10 | tr -d '\r')
echo "$cli_output" | head -4
grep -q '^c1 ' <<<"$cli_output" || { echo "check-windows.sh: the installed tool did not read the chip" >&2; exit 1; }

# The window on a virtual display, long enough to show its rows.
display=:97
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 2
# Under Wine the native font engine draws no text in line edits, so the rows
# would look empty; Qt's FreeType engine, also in the Windows plugin, draws it.
DISPLAY=$display plain_wine "$target\\zrx50346.exe" --simulate -platform windows:fontengine=freetype \
    >/dev/null 2>&1 &
window=$!
shown=false
for _ in $(seq 1 60); do
    if DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q '"ZRX50346'; then shown=true; break; fi
    sleep 1
done
sleep 3
DISPLAY=$display import -window root "$build/installed-window.png" 2>/dev/null || true
kill $window 2>/dev/null || true
/usr/lib/wine/wineserver -k || true
$shown || { echo "check-windows.sh: the installed window did not come up" >&2; exit 1; }
echo "Installed window shown; screenshot: $build/installed-window.png"

plain_wine "$target\\Uninstall.exe" /S "_?=$target"
rm -f "$target_unix/Uninstall.exe"
if ls "$target_unix"/*.exe "$target_unix"/*.dll >/dev/null 2>&1; then
    echo "check-windows.sh: the uninstaller left programs behind" >&2
    exit 1
fi
phase_done "Installer: installed, started, removed"

echo
echo "Windows check passed:"
printf '  %s\n' "${summary[@]}"
echo "  total                              $(printf '%5d' "$SECONDS") s"
echo "Not run under Wine: tst_cli_on_pty's batch interrupt (a Unix signal is no Windows console event)."
echo "Fast-mode tests passed under Wine (D2XX driver on the fake ftd2xx.dll): ${fast_tests:-none}"
echo "Fast-mode figures under Wine (D2XX driver, fake ftd2xx.dll): $fast_figures"
echo "Not built for Windows: tst_real_serial_control (an LD_PRELOAD on a pty), tst_ftdi_bit_bang_control,"
echo "tst_fast_mode, tst_cli_fast_mode (libftdi's fake; no libftdi on Windows), tst_sysfs_usb_adapter_locator (Linux sysfs)."
