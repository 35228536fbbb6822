#!/usr/bin/env bash
# Refreshes the vendored web-map files in resources/leaflet/ from their npm packages:
#   leaflet.js, leaflet.css, layers.png, layers-2x.png   from leaflet
#   leaflet-heat.js (the plug-in bundle with simpleheat)   from leaflet.heat
#   the world outline inlined in index.html               from world-atlas (Natural Earth 1:110m
#                                                          land), converted with topojson-client
# and their licence notices. HeatLayer.js and the rest of index.html are ours and left alone.
# Needs node and npm; the packages are fetched with `npm pack` into a temporary folder.
set -euo pipefail

LEAFLET=leaflet@1.9.4
LEAFLET_HEAT=leaflet.heat@0.2.0
SIMPLEHEAT=simpleheat@0.2.0
WORLD_ATLAS=world-atlas@2.0.2
TOPOJSON_CLIENT=topojson-client@3.1.0
# One decimal (about 11 km) is finer than the 1:110m source itself and keeps the page small.
OUTLINE_DECIMALS=1

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dest="$root/resources/leaflet"

for tool in node npm tar; do
    command -v "$tool" >/dev/null || { echo "refresh-leaflet: '$tool' is needed" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

unpack() {
    local package="$1" tarball
    tarball="$(npm pack --silent "$package" | tail -n 1)"
    mkdir "${package%@*}"
    tar -xzf "$tarball" -C "${package%@*}" --strip-components=1
}
for package in "$LEAFLET" "$LEAFLET_HEAT" "$SIMPLEHEAT" "$WORLD_ATLAS" "$TOPOJSON_CLIENT"; do
    unpack "$package"
done

install -m 644 leaflet/dist/leaflet.js leaflet/dist/leaflet.css "$dest/"
install -m 644 leaflet/dist/images/layers.png leaflet/dist/images/layers-2x.png "$dest/"
install -m 644 leaflet.heat/dist/leaflet-heat.js "$dest/"
install -m 644 leaflet/LICENSE "$dest/LICENSE-leaflet.txt"
install -m 644 leaflet.heat/LICENSE "$dest/LICENSE-leaflet.heat.txt"
install -m 644 simpleheat/LICENSE "$dest/LICENSE-simpleheat.txt"
{
    echo "The world outline inlined in index.html (the variable worldOutline) is Natural Earth"
    echo "1:110m land, public domain (Made with Natural Earth, naturalearthdata.com), taken from the"
    echo "npm package $WORLD_ATLAS (its notice follows) and converted from TopoJSON to GeoJSON with"
    echo "$TOPOJSON_CLIENT, coordinates rounded to $OUTLINE_DECIMALS decimal(s)."
    echo
    cat world-atlas/LICENSE
} >"$dest/LICENSE-world-atlas.txt"

# The outline replaces the one line of index.html that starts with "var worldOutline = ".
node - "$work/topojson-client/dist/topojson-client.js" "$work/world-atlas/land-110m.json" \
    "$OUTLINE_DECIMALS" "$dest/index.html" <<'EOF'
const fs = require('fs');
const [clientPath, atlasPath, decimalsText, pagePath] = process.argv.slice(2);
const topojson = require(clientPath);
const topology = JSON.parse(fs.readFileSync(atlasPath, 'utf8'));
const factor = 10 ** Number(decimalsText);

const round = (v) => Math.round(v * factor) / factor;
function ring(points) {
    const out = [];
    for (const [x, y] of points) {
        const p = [round(x), round(y)];
        const last = out[out.length - 1];
        if (!last || last[0] !== p[0] || last[1] !== p[1]) out.push(p);
    }
    return out;
}

// A ring that crosses the antimeridian jumps between +180 and -180, which a flat map draws as
// a band across the whole world. Such a ring is made continuous (longitudes beyond 180) and
// then cut at the antimeridian, the part beyond it moved back by 360 degrees. A ring around a
// pole (Antarctica) jumps only once and stays as it is.
function unwrap(points) {
    const out = [points[0].slice()];
    let shift = 0;
    for (let i = 1; i < points.length; i++) {
        const step = points[i][0] - points[i - 1][0];
        if (step > 180) shift -= 360;
        else if (step < -180) shift += 360;
        out.push([points[i][0] + shift, points[i][1]]);
    }
    return shift === 0 ? out : points;
}

// Sutherland-Hodgman against the half-plane side * (x - edge) >= 0.
function clip(points, edge, side) {
    const inside = (p) => side * (p[0] - edge) >= 0;
    const cross = (a, b) => [edge, a[1] + (b[1] - a[1]) * (edge - a[0]) / (b[0] - a[0])];
    const out = [];
    for (let i = 0; i < points.length - 1; i++) {
        const a = points[i], b = points[i + 1];
        if (inside(a)) {
            out.push(a);
            if (!inside(b)) out.push(cross(a, b));
        } else if (inside(b)) {
            out.push(cross(a, b));
        }
    }
    if (out.length > 0) out.push(out[0].slice());
    return out;
}

const shiftBy = (points, dx) => points.map(([x, y]) => [x + dx, y]);

function split(polygon) {
    const rings = polygon.map(unwrap);
    const xs = rings.flat().map((p) => p[0]);
    const west = Math.min(...xs), east = Math.max(...xs);
    if (west >= -180 && east <= 180) return [rings];
    const parts = [rings.map((r) => clip(clip(r, -180, 1), 180, -1))];
    if (east > 180) parts.push(rings.map((r) => shiftBy(clip(r, 180, 1), -360)));
    if (west < -180) parts.push(rings.map((r) => shiftBy(clip(r, -180, -1), 360)));
    return parts;
}

const polygons = [];
for (const feature of topojson.feature(topology, topology.objects.land).features) {
    const g = feature.geometry;
    for (const polygon of g.type === 'Polygon' ? [g.coordinates] : g.coordinates) {
        for (const part of split(polygon)) {
            // Islands and lakes that rounding shrinks below a triangle vanish at this scale.
            const outer = ring(part[0]);
            if (outer.length < 4) continue;
            polygons.push([outer, ...part.slice(1).map(ring).filter((r) => r.length >= 4)]);
        }
    }
}
const line = 'var worldOutline = ' +
    JSON.stringify({ type: 'MultiPolygon', coordinates: polygons }) + ';';

const page = fs.readFileSync(pagePath, 'utf8');
const pattern = /^var worldOutline = .*;$/m;
if (!pattern.test(page)) {
    console.error('refresh-leaflet: index.html has no line "var worldOutline = ...;"');
    process.exit(1);
}
fs.writeFileSync(pagePath, page.replace(pattern, () => line));
console.log(`world outline: ${polygons.length} polygons, ${line.length} bytes`);
EOF

ls -l "$dest"
