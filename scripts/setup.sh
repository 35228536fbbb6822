#!/usr/bin/env bash
# Installs the Debian packages Thermira needs to build, run and test, only those missing.
# Usage: scripts/setup.sh [--tests]
set -euo pipefail

packages=(qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins qt6-gtk-platformtheme libgl1-mesa-dev
          cmake ninja-build g++ pkg-config fonts-liberation2 libcsv-dev)
if [[ "${1:-}" == "--tests" ]]; then
    # xvfb/xauth for looking at windows, chromium for the page test, benchmark for bench/, ccache
    # for rebuilds.
    packages+=(xvfb xauth chromium libbenchmark-dev fonts-dejavu-core ccache)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
