#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 (debootstrap, minbase) and runs it there
# without any display: the dependencies dpkg-shlibdeps computed must be all it needs.
#   bash scripts/package-check.sh [package]   (default: build-package/thermira_2.0.0_amd64.deb,
#                                               built by scripts/package.sh when missing)
set -euo pipefail
source "$(dirname "$0")/common.sh"
scripts/setup.sh --package-check
package="${1:-build-package/thermira_2.0.0_amd64.deb}"
[[ -f "$package" ]] || bash scripts/package.sh
mirror="${THERMIRA_DEBIAN_MIRROR:-http://deb.debian.org/debian}"

root="$(mktemp -d /var/tmp/thermira-clean.XXXXXX)"
cleanup() {
    umount "$root/proc" 2>/dev/null || true
    rm -rf "$root"
}
trap cleanup EXIT

echo "== clean Debian 12 in $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 || { tail -20 "$root.log"; exit 1; }
rm -f "$root.log"
# The program finds its files through /proc/self/exe.
mount -t proc proc "$root/proc"
cp "$package" "$root/tmp/thermira.deb"
inside() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== apt-get install ./thermira.deb"
inside apt-get update -qq
inside env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends /tmp/thermira.deb >/dev/null
inside dpkg-query -W -f='${Package} ${Version} ${Status}\n' thermira

echo "== thermira --version"
inside thermira --version

echo "== thermira --export, no display"
printf '41.01,28.97\r\n48.85,2.35\r\n' >"$root/tmp/list.csv"
inside thermira --separator , --export /tmp/heatmap /tmp/list.csv
for file in leaflet-heat-data.js HeatLayer.js layers.png layers-2x.png leaflet.css leaflet.js leaflet-heat.js index.html; do
    [[ -s "$root/tmp/heatmap/$file" ]] || { echo "missing in the export: $file" >&2; exit 1; }
done
status=0
inside thermira --export /tmp/heatmap /tmp/missing.csv || status=$?
[[ $status -eq 1 ]] || { echo "an unreadable file exited $status, not 1" >&2; exit 1; }

echo "The package installs and runs on a clean Debian 12."
