#!/usr/bin/env bash
# Refreshes the vendored web-map files in resources/leaflet/ from their npm packages:
#   leaflet.js, leaflet.css, layers.png, layers-2x.png   from leaflet
#   leaflet-heat.js (the plug-in bundle with simpleheat)   from leaflet.heat
#   the world outline inlined in index.html               from world-atlas (Natural Earth 1:50m
#                                                          countries), converted with topojson-client
# and their licence notices. HeatLayer.js and the rest of index.html are ours and left alone.
# Needs node and npm; the packages are fetched with `npm pack` into a temporary folder.
set -euo pipefail

LEAFLET=leaflet@1.9.4
LEAFLET_HEAT=leaflet.heat@0.2.0
SIMPLEHEAT=simpleheat@0.2.0
WORLD_ATLAS=world-atlas@2.0.2
TOPOJSON_CLIENT=topojson-client@3.1.0
# Outline coordinates are Web Mercator zoom-0 pixels in steps of 1/256: one screen pixel at
# zoom 8, finer than the 1:50m source anywhere the map is meant to be read.
OUTLINE_GRID=256

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
    echo "1:50m countries, public domain (Made with Natural Earth, naturalearthdata.com), taken"
    echo "from the npm package $WORLD_ATLAS (its notice follows) and converted with"
    echo "$TOPOJSON_CLIENT: the land (the countries merged) and each border between two countries"
    echo "once, projected to Web Mercator and rounded to 1/$OUTLINE_GRID of a zoom-0 pixel."
    echo
    cat world-atlas/LICENSE
} >"$dest/LICENSE-world-atlas.txt"

# The outline replaces the one line of index.html that starts with "var worldOutline = ".
node - "$work/topojson-client/dist/topojson-client.js" "$work/world-atlas/countries-50m.json" \
    "$OUTLINE_GRID" "$dest/index.html" <<'EOF'
const fs = require('fs');
const [clientPath, atlasPath, gridText, pagePath] = process.argv.slice(2);
const topojson = require(clientPath);
const topology = JSON.parse(fs.readFileSync(atlasPath, 'utf8'));
const countries = topology.objects.countries;
const grid = Number(gridText);

// Leaflet's Web Mercator (EPSG:3857) in zoom-0 pixels: the world is 256 wide, north up; the
// page scales these by 2^zoom. Latitudes beyond Leaflet's limit are clamped, as it does.
const MAX_LAT = 85.0511287798;
function project([lng, lat]) {
    const s = Math.sin(Math.max(-MAX_LAT, Math.min(MAX_LAT, lat)) * Math.PI / 180);
    return [Math.round((lng / 360 + 0.5) * 256 * grid),
            Math.round((0.5 - Math.log((1 + s) / (1 - s)) / (4 * Math.PI)) * 256 * grid)];
}

// A line or ring that crosses the antimeridian (the merged land of Russia does) jumps between
// +180 and -180, which a flat map draws as a band across the world. Longitudes are
// made continuous instead (they may run a little beyond 180); the page draws every world
// copy, so the part beyond shows up on the other side.
function unwrap(points) {
    const out = [points[0].slice()];
    let shift = 0;
    for (let i = 1; i < points.length; i++) {
        const step = points[i][0] - points[i - 1][0];
        if (step > 180) shift -= 360;
        else if (step < -180) shift += 360;
        out.push([points[i][0] + shift, points[i][1]]);
    }
    return { points: out, shift };
}

function quantize(points) {
    const out = [];
    for (const p of points.map(project)) {
        const last = out[out.length - 1];
        if (!last || last[0] !== p[0] || last[1] !== p[1]) out.push(p);
    }
    return out;
}

// Twice the area, to leave out rings that quantizing flattens.
function area(ring) {
    let sum = 0;
    for (let i = 0, j = ring.length - 1; i < ring.length; j = i++) {
        sum += (ring[j][0] - ring[i][0]) * (ring[j][1] + ring[i][1]);
    }
    return sum;
}

const rings = [];
for (const polygon of topojson.merge(topology, countries.geometries).coordinates) {
    for (const ring of polygon) {
        const { points, shift } = unwrap(ring);
        if (shift !== 0) {
            // A ring around a pole (Antarctica) goes once round the world: it is closed
            // along the pole, which the projection puts on the world's bottom edge.
            const pole = Math.min(...ring.map((p) => p[1])) < 0 ? -90 : 90;
            points.push([points[points.length - 1][0], pole], [points[0][0], pole]);
        }
        const q = quantize(points);
        if (q.length > 1 && q[0][0] === q[q.length - 1][0] && q[0][1] === q[q.length - 1][1]) q.pop();
        if (q.length >= 3 && area(q) !== 0) rings.push(q);
    }
}

// Each border between two countries once; coasts are the edge of the land.
const borders = [];
for (const line of topojson.mesh(topology, countries, (a, b) => a !== b).coordinates) {
    const q = quantize(unwrap(line).points);
    if (q.length >= 2) borders.push(q);
}

// Zigzag varints in five-bit digits, written with the base64 letters: a digit of 32 or more
// says that another one follows. Every part starts with its point count; each point is the
// difference from the one before, across parts.
const DIGITS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/';
function encode(parts) {
    const out = [];
    const put = (v) => {
        let z = v < 0 ? -2 * v - 1 : 2 * v;
        while (z >= 32) {
            out.push(DIGITS[32 + (z & 31)]);
            z = Math.floor(z / 32);
        }
        out.push(DIGITS[z]);
    };
    let x = 0, y = 0;
    for (const part of parts) {
        put(part.length);
        for (const [px, py] of part) {
            put(px - x);
            put(py - y);
            x = px;
            y = py;
        }
    }
    return out.join('');
}

const count = (parts) => parts.reduce((n, p) => n + p.length, 0);
const outline = { grid, land: encode(rings), borders: encode(borders) };
const line = 'var worldOutline = ' + JSON.stringify(outline) + ';';
console.log(`world outline: ${rings.length} land rings (${count(rings)} points), ` +
            `${borders.length} borders (${count(borders)} points), ${line.length} bytes`);
const page = fs.readFileSync(pagePath, 'utf8');
const pattern = /^var worldOutline = .*;$/m;
if (!pattern.test(page)) {
    console.error('refresh-leaflet: index.html has no line "var worldOutline = ...;"');
    process.exit(1);
}
fs.writeFileSync(pagePath, page.replace(pattern, () => line));
EOF

ls -l "$dest"
