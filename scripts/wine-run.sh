#!/usr/bin/env bash
# Runs a program of the Windows build under Wine, as CTest's emulator and by
# hand: Qt's and MinGW's DLLs on its path, Qt's plugins found, Wine's own
# chatter off. ZRX_WINE_QT is the Windows Qt's prefix, WINEPREFIX the Wine
# folder to run in (check-windows.sh sets both).
set -euo pipefail
: "${ZRX_WINE_QT:?the Windows Qt prefix}"
: "${WINEPREFIX:?the Wine prefix}"
mingw_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
export WINEPATH="Z:${ZRX_WINE_QT//\//\\}\\bin;Z:${mingw_runtime//\//\\};Z:\\usr\\x86_64-w64-mingw32\\lib"
export QT_PLUGIN_PATH="Z:${ZRX_WINE_QT//\//\\}\\plugins"
# Qt Test writes to the debugger's log unless told that stderr is watched.
export QT_FORCE_STDERR_LOGGING=1
# Wine keeps QT_* variables for itself; WINEQT_* reach the program as QT_*
# (the platform, the scale factor and the rest that the tests set).
for name in $(compgen -e); do
    [[ $name == QT_* ]] && export "WINE$name=${!name}"
done
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec /usr/lib/wine/wine64 "$@"
