#!/usr/bin/env bash
# The exported page's drawing time for 100,000 points in headless Chromium: runs the page
# test's large case several times and prints each time and the median, as the page reports it
# in its status box (data-ms: reading the points and the first draw of the heat layer).
# Usage: bench/page/page-draw-time.sh [build folder, default build] [runs, default 5]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"

cmake --build "$build" --target tst_heatmappage thermira_data >/dev/null

times=()
for ((i = 1; i <= runs; i++)); do
    line="$(QT_QPA_PLATFORM=offscreen "$build/tests/tst_heatmappage" drawsOneHundredThousandPoints 2>&1 |
        grep -o 'drawing time for [0-9]* points: [0-9.]* ms' || true)"
    if [[ -z "$line" ]]; then
        echo "page-draw-time: run $i reported no drawing time" >&2
        exit 1
    fi
    echo "run $i: $line"
    times+=("$(sed -E 's/.*: ([0-9.]+) ms/\1/' <<<"$line")")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "median of %d runs: %.1f ms\n", NR, t[int((NR + 1) / 2)] }'
