#!/usr/bin/env bash
# Builds Thermira with its tests and runs them all through CTest.
# The test build points the maker's host at a closed loopback port, so nothing a test or a
# smoke run does ever leaves the machine; tests talk to their own loopback servers.
set -euo pipefail
source "$(dirname "$0")/common.sh"
scripts/setup.sh --tests
build="${THERMIRA_TEST_BUILD_DIR:-build-tests}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTHERMIRA_WERROR=ON \
      -DTHERMIRA_MAKER_HOST=127.0.0.1:9 -DTHERMIRA_BUILD_BENCHMARKS=ON "${launcher[@]}" ${THERMIRA_CMAKE_ARGS:-}
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2
