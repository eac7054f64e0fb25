#!/usr/bin/env bash
# Counts the serial-driver requests of one channel write and of one read-back
# (registers 0x00..0x17 and 0x3F) on the real port, run on a pseudo-terminal.
# Every bus line operation must be exactly one request, so the counts must be
# the line operations of the bus tables: 226 and 25 x (118 + 172 + 16) = 7650.
#
# Two independent counters, whichever are available:
#   strace   the ioctl system calls themselves (TIOCMBIS, TIOCMBIC, TIOCMGET);
#            a pty refuses them, which the port ignores, but each is still made
#   preload  tests/bus's fake modem lines, which log every request they answer
#
# usage: bench/count_driver_requests.sh [build-dir]
#   the build directory configured with -DZRX_BUILD_BENCH=ON (default build-bench)
set -euo pipefail

build=${1:-build-bench}
driver=$build/bench/drive_pty_port
preload=$build/tests/bus/libfake_modem_ioctl.so
[ -x "$driver" ] || { echo "no $driver: configure with -DZRX_BUILD_BENCH=ON and build drive_pty_port" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

count_strace() {
    strace -f -qq -e trace=ioctl -e signal=none -o "$scratch/strace" "$driver" "$1" >/dev/null
    grep -cE 'TIOCMBIS|TIOCMBIC|TIOCMGET' "$scratch/strace" || true
}

count_preload() {
    : >"$scratch/log"
    ZRX_FAKE_MODEM_LOG=$scratch/log LD_PRELOAD=$preload "$driver" "$1" >/dev/null
    wc -c <"$scratch/log"
}

methods=()
command -v strace >/dev/null && methods+=(strace)
[ -f "$preload" ] && methods+=(preload)
[ ${#methods[@]} -gt 0 ] || { echo "neither strace nor $preload is available" >&2; exit 2; }

status=0
for method in "${methods[@]}"; do
    base=$(count_$method open-only)
    for operation in channel-write:226 read-back:7650; do
        name=${operation%%:*}
        expected=${operation##*:}
        got=$(( $(count_$method "$name") - base ))
        verdict=ok
        [ "$got" -eq "$expected" ] || { verdict=MISMATCH; status=1; }
        printf '%-8s %-14s %5d requests (expected %d) %s\n' "$method" "$name" "$got" "$expected" "$verdict"
    done
done
exit $status
