#!/usr/bin/env bash
# Installs the Debian packages Thermira needs to build, run and test, only those missing.
# Usage: scripts/setup.sh [--tests] [--package] [--package-check] [--screenshots] [--fuzz]
set -euo pipefail

packages=(qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins qt6-gtk-platformtheme libgl1-mesa-dev
          cmake ninja-build g++ pkg-config fonts-liberation2 libcsv-dev)
for option in "$@"; do
    case "$option" in
        # xvfb/xauth for looking at windows, chromium and firefox-esr for the page test, benchmark and hyperfine
        # for bench/, ccache for rebuilds, the desktop entry and AppStream validators for the
        # install test, dbus-daemon for a session bus of the tests' own.
        --tests) packages+=(xvfb xauth chromium firefox-esr libbenchmark-dev fonts-dejavu-core ccache hyperfine
                            desktop-file-utils appstream dbus-daemon) ;;
        # The Debian package: dpkg-shlibdeps computes its dependencies, lintian checks it.
        --package) packages+=(dpkg-dev lintian desktop-file-utils appstream) ;;
        # A clean Debian 12 to install the built package into (scripts/package-check.sh).
        --package-check) packages+=(debootstrap) ;;
        # Screenshots of the windows (import; xdotool to drive them) and of an exported page.
        --screenshots) packages+=(xvfb xauth imagemagick chromium xdotool) ;;
        # clang with libFuzzer and the sanitizer runtimes for the fuzz targets (preset fuzz).
        --fuzz) packages+=(clang libfuzzer-14-dev libclang-rt-14-dev) ;;
        *) echo "Unknown option: $option" >&2; exit 2 ;;
    esac
done

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
