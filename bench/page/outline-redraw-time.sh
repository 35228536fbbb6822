#!/usr/bin/env bash
# The exported page's world outline in headless Chromium at 1200x800: adding the layer (decode
# and first draw) and its redraw after setView at zooms 2, 3, 5 and 8 over six places each,
# the heat layer removed. Each run is a fresh browser.
# Usage: bench/page/outline-redraw-time.sh [build folder, default build] [runs, default 5]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"
source "$root/bench/page/common.sh"

cmake --build "$build" --target thermira thermira_data >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "41.0,29.0" >"$work/points.csv"
bench_page "$build" "$work/points.csv" "$root/bench/page/outline-redraw.js" "$work/page"

for ((i = 1; i <= runs; i++)); do
    echo "run $i:"
    bench_figures "$work/page" | sed 's/^/  /'
done
