#!/usr/bin/env bash
# Builds Thermira and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTHERMIRA_BUILD_TESTS=OFF "${launcher[@]}"
cmake --build build --target thermira
exec build/thermira
