#!/usr/bin/env bash
# Takes the two screenshots named in the AppStream metainfo: the main window with a list loaded
# (under Xvfb) and the page exported from the same list (in headless Chromium).
#   packaging/screenshots/take.sh [build-dir]      (scripts/setup.sh --screenshots installs the tools)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program="$(realpath "${1:-build-tests}/thermira")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The cities of places.csv, each with a few neighbours around it.
{
    cat "$here/places.csv"
    for i in 1 2 3 4 5 6; do cat "$here/places.csv"; done |
        awk -F, 'BEGIN { srand(3) } { printf "%.2f,%.2f\n", $1 + rand() * 4 - 2, $2 + rand() * 4 - 2 }'
} > "$work/places.csv"

export XDG_CONFIG_HOME="$work/config"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
    "\"$program\" --separator , \"$work/places.csv\" & pid=\$!; sleep 3; import -window root \"$work/root.png\"; kill \$pid"
convert "$work/root.png" -trim +repage "$here/main-window.png"

"$program" --separator , --export "$work/page" "$work/places.csv"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$work/chromium" --virtual-time-budget=3000 \
    --window-size=1280,800 --screenshot="$here/exported-page.png" "file://$work/page/index.html" 2>/dev/null
identify "$here/main-window.png" "$here/exported-page.png"
