#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks what lands where, validates the desktop
# entry and the AppStream metainfo, and runs the installed program's command line the way a
# script over ssh would: without any display.
#   install.sh CMAKE BUILD-DIR
set -euo pipefail
cmake="$1"
build="$2"
prefix="$(mktemp -d)"
work="$(mktemp -d)"
trap 'rm -rf "$prefix" "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

# The program and what it reads beside itself in one folder; bin/thermira leads there.
private="$prefix/lib/thermira"
for file in thermira countries.dat license.txt leaflet/HeatLayer.js leaflet/layers.png \
            leaflet/layers-2x.png leaflet/leaflet.css leaflet/leaflet.js leaflet/leaflet-heat.js \
            leaflet/index.html; do
    [[ -f "$private/$file" ]] || fail "lib/thermira/$file is missing"
done
[[ -x "$private/thermira" ]] || fail "lib/thermira/thermira cannot be run"
[[ "$(readlink "$prefix/bin/thermira")" == "../lib/thermira/thermira" ]] ||
    fail "bin/thermira is no relative link to ../lib/thermira/thermira"
for file in applications/com.palvex.Thermira.desktop metainfo/com.palvex.Thermira.metainfo.xml \
            icons/hicolor/scalable/apps/com.palvex.Thermira.svg man/man1/thermira.1.gz \
            doc/thermira/copyright; do
    [[ -s "$prefix/share/$file" ]] || fail "share/$file is missing"
done
gzip -t "$prefix/share/man/man1/thermira.1.gz"

desktop-file-validate "$prefix/share/applications/com.palvex.Thermira.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/com.palvex.Thermira.metainfo.xml" >/dev/null ||
    appstreamcli validate --no-net "$prefix/share/metainfo/com.palvex.Thermira.metainfo.xml"

# The installed program through the link, with no display: a platform plugin asked for here
# would abort, so only a program that stays off the GUI passes.
cd "$work"
printf '41.01,28.97\r\n48.85,2.35\r\n' > two.csv
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/thermira")
"${nodisplay[@]}" --separator , --export heatmap two.csv > out.txt ||
    fail "the export ended with exit code $?"
[[ "$(cat out.txt)" == "Wrote 2 points to $(pwd -P)/heatmap" ]] || fail "export printed: $(cat out.txt)"
[[ "$(ls heatmap | wc -l)" == 8 ]] || fail "export wrote: $(ls heatmap)"
cmp -s heatmap/index.html "$private/leaflet/index.html" || fail "index.html is not the installed template"
grep -q $'^\\[48.85, 2.35, "10"\\]\r$' heatmap/leaflet-heat-data.js || fail "the data script lacks the last point"

[[ "$("${nodisplay[@]}" --version)" == "Thermira 2.0" ]] || fail "--version printed something else"
status=0
"${nodisplay[@]}" --export heatmap 2> usage.txt || status=$?
[[ $status == 2 ]] && grep -q "^Usage: " usage.txt || fail "bad usage gave exit code $status"
status=0
"${nodisplay[@]}" --separator , --export heatmap missing.csv 2> error.txt || status=$?
[[ $status == 1 ]] && grep -q "^Cannot open file \"$(pwd -P)/missing.csv\". No such file or directory.$" error.txt ||
    fail "an unreadable file gave exit code $status: $(cat error.txt)"
echo "installed layout, desktop files and command line are fine"
