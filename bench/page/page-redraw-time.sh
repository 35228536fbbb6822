#!/usr/bin/env bash
# The exported page with 1,000,000 points spread over the world, in headless Chromium:
#   - data-ms, the page's own figure for reading the points and the first draw;
#   - the heat layer's redraw after setView at zooms 2, 3, 5 and 8 over six places each, and the
#     whole setView with the map's own redraws of the heat and the outline.
# Each run is a fresh browser; the script prints every run and the medians.
# Usage: bench/page/page-redraw-time.sh [build folder, default build] [runs, default 5]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"
points="${THERMIRA_BENCH_POINTS:-1000000}"
source "$root/bench/page/common.sh"

cmake --build "$build" --target thermira thermira_data >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Uniform over the land-bearing latitudes and every longitude, four decimals, the same every time.
awk -v n="$points" 'BEGIN { srand(11); for (i = 0; i < n; i++)
       printf "%.4f,%.4f\n", rand() * 140 - 60, rand() * 360 - 180 }' >"$work/points.csv"
bench_page "$build" "$work/points.csv" "$root/bench/page/page-redraw.js" "$work/page"

data=() redraw=() moves=()
for ((i = 1; i <= runs; i++)); do
    figures="$(bench_figures "$work/page")"
    if ! grep -q '^redraw: median' <<<"$figures"; then
        echo "page-redraw-time: run $i gave no figures: $figures" >&2
        exit 1
    fi
    if ! grep -qx "drawn: $points" <<<"$figures"; then
        echo "page-redraw-time: run $i did not draw all $points points: $figures" >&2
        exit 1
    fi
    echo "run $i:"
    sed 's/^/  /' <<<"$figures"
    data+=("$(sed -n 's/^data-ms: \([0-9.]*\) ms/\1/p' <<<"$figures")")
    redraw+=("$(sed -n 's/^redraw: median \([0-9.]*\) ms.*/\1/p' <<<"$figures")")
    moves+=("$(sed -n 's/^setView with its moveend redraws: median \([0-9.]*\) ms.*/\1/p' <<<"$figures")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] }'; }
echo "$points points, $runs runs: data-ms median $(median "${data[@]}") ms, redraw median of the runs' medians $(median "${redraw[@]}") ms, setView with its moveend redraws $(median "${moves[@]}") ms"
