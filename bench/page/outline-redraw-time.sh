#!/usr/bin/env bash
# The exported page's world outline in headless Chromium at 1200x800: adding the layer (decode
# and first draw) and its redraw after setView at zooms 2, 3, 5 and 8 over six places each,
# the heat layer removed. Each run is a fresh browser.
# Usage: bench/page/outline-redraw-time.sh [build folder, default build] [runs, default 5]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"

cmake --build "$build" --target thermira thermira_data >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "41.0,29.0" >"$work/points.csv"
"$build/thermira" --separator , --export "$work/page" "$work/points.csv" >/dev/null
cp "$root/bench/page/outline-redraw.js" "$work/page/"
sed 's#</body>#<script src="outline-redraw.js"></script>\n</body>#' "$work/page/index.html" >"$work/page/bench.html"

for ((i = 1; i <= runs; i++)); do
    profile="$(mktemp -d)"
    echo "run $i:"
    chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
        --user-data-dir="$profile" --host-resolver-rules='MAP * ~NOTFOUND' --window-size=1200,800 \
        --dump-dom "file://$work/page/bench.html" 2>/dev/null |
        sed -n '/<pre id="bench">/,/<\/pre>/p' | sed 's/<[^>]*>//g; s/^/  /'
    rm -rf "$profile"
done
