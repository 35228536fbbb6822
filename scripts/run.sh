#!/usr/bin/env bash
# Builds Thermira and starts it.
set -euo pipefail
source "$(dirname "$0")/common.sh"
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTHERMIRA_BUILD_TESTS=OFF "${launcher[@]}"
cmake --build build --target thermira
exec build/thermira
