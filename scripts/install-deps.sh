#!/usr/bin/env bash
# Installs the Debian packages the build needs, skipping those already there.
# Extra package names may be given as arguments.
set -euo pipefail

# libftdi1-dev (with pkg-config to find it) builds fast mode for FTDI adapters.
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libftdi1-dev "$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
