#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, checks that the
# installed program starts (on the simulated board, offscreen) and stays up,
# then removes the package again. Needs root (or sudo); not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

bash scripts/install-deps.sh dpkg-dev file
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DZRX_BUILD_TESTS=OFF
cmake --build build-deb --target zrx50346 zrx50346-cli
(cd build-deb && cpack -G DEB)
deb=$(ls build-deb/zrx50346_*.deb | head -n 1)
echo "Package: $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,/Description:/p'
dpkg-deb --contents "$deb" | awk '{print $6}'

$sudo apt-get install -y "./$deb"
trap '$sudo apt-get remove -y zrx50346 >/dev/null' EXIT
test -x /usr/bin/zrx50346
test -x /usr/bin/zrx50346-cli
test -f /usr/share/applications/zrx50346.desktop
test -f /usr/share/icons/hicolor/scalable/apps/zrx50346.svg
test -f /usr/lib/udev/rules.d/60-zrx50346-ftdi.rules

# Started with a settings location of its own so the user's stay untouched.
home=$(mktemp -d)
set +e
HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen \
    timeout 5 /usr/bin/zrx50346 --simulate
status=$?
set -e
rm -rf "$home"
if [ "$status" -ne 124 ]; then
    echo "The installed program ended on its own (status $status)" >&2
    exit 1
fi
echo "The installed program started and kept running: OK"

# The tool needs no display: it reads the simulated board and ends.
/usr/bin/zrx50346-cli --simulate read >/dev/null
echo "The installed command-line tool read the simulated board: OK"
