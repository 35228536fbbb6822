/*
 Leaflet.heat's heat layer, reworked for Thermira: the same interface, but a point's colour
 no longer depends on the zoom, and large point sets stay fast.
 Loaded after leaflet-heat.js, whose L.HeatLayer it replaces; it draws with the bundle's
 simpleheat (the blurred stamp and the colour gradient).

 Based on Leaflet.heat, (c) 2014, Vladimir Agafonkin, https://github.com/Leaflet/Leaflet.heat

 Redistribution and use in source and binary forms, with or without modification, are
 permitted provided that the following conditions are met:
   1. Redistributions of source code must retain the above copyright notice, this list of
      conditions and the following disclaimer.
   2. Redistributions in binary form must reproduce the above copyright notice, this list
      of conditions and the following disclaimer in the documentation and/or other materials
      provided with the distribution.
 THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT HOLDERS AND CONTRIBUTORS "AS IS" AND ANY
 EXPRESS OR IMPLIED WARRANTIES, INCLUDING, BUT NOT LIMITED TO, THE IMPLIED WARRANTIES OF
 MERCHANTABILITY AND FITNESS FOR A PARTICULAR PURPOSE ARE DISCLAIMED. IN NO EVENT SHALL THE
 COPYRIGHT HOLDER OR CONTRIBUTORS BE LIABLE FOR ANY DIRECT, INDIRECT, INCIDENTAL, SPECIAL,
 EXEMPLARY, OR CONSEQUENTIAL DAMAGES (INCLUDING, BUT NOT LIMITED TO, PROCUREMENT OF
 SUBSTITUTE GOODS OR SERVICES; LOSS OF USE, DATA, OR PROFITS; OR BUSINESS INTERRUPTION)
 HOWEVER CAUSED AND ON ANY THEORY OF LIABILITY, WHETHER IN CONTRACT, STRICT LIABILITY, OR
 TORT (INCLUDING NEGLIGENCE OR OTHERWISE) ARISING IN ANY WAY OUT OF THE USE OF THIS
 SOFTWARE, EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE.

 How a point is coloured: points are summed by weight into cells of half the stamp's size.
 Each cell is stamped with an opacity between minOpacity (a lone point) and 1 (the cell that
 holds the most weight in view, or `max` when that option is set), and the blended opacity is
 mapped onto the gradient. The original scaled every weight by 1 / 2^(maxZoom - zoom), which
 made points all but invisible at world zoom; here the scale follows what is on screen.
 Positions are projected once when the points are set, and sorted by bucket of a grid over
 their extent while the page is idle, so that a redraw reads only the points in view. Where
 cells are dense with points, the points are summed into cells once per zoom and a redraw
 reads the cells in view. Cells are fixed to the world at the current zoom, and on maps that
 wrap, the points' world copies are drawn wherever the view reaches past the date line. The
 stamps are blended in a buffer that is painted once, at a lower resolution when there are too
 many stamps to blend in a frame at full resolution.

 Options: radius (25), blur (15), minOpacity (0.05), max (automatic), gradient (simpleheat's),
 pane ('overlayPane'). maxZoom is accepted for compatibility and has no effect.
*/

(function () {
    'use strict';

    // The index grid holds about one bucket per point, within these bounds.
    var MIN_BUCKETS = 1024, MAX_BUCKETS = 1 << 20, MAX_BUCKETS_ACROSS = 4096;

    // Points sorted in one slice of idle time.
    var SORT_SLICE = 100000;

    // Zooms (and cell sizes) whose summed cells are kept.
    var CACHED_ZOOMS = 8;

    // Stamp pixels blended per redraw beyond which a redraw takes more than a frame, and the
    // coarsest resolution (1 / factor of the canvas's) it blends at to stay within that.
    var BLEND_WORK = 4e6, MAX_FACTOR = 4;

    // Output opacity reaches 1 where the summed heat reaches this share of the gradient, so a
    // lone point stamped at minOpacity shows a solid core. Below a quarter the blurred rim
    // would turn into a hard disc, so small floors fade as they always did.
    function fullOpacityAt(minOpacity) {
        return Math.max(0.25, Math.min(minOpacity, 1));
    }

    // Lists often repeat one text (every weight "10"): converting it once saves a lot of time.
    var lastText = null, lastNumber = NaN;
    function toNumber(value) {
        if (typeof value === 'number') {
            return value;
        }
        if (typeof value !== 'string') {
            return NaN;
        }
        if (value !== lastText) {
            lastText = value;
            lastNumber = value.trim() === '' ? NaN : +value;
        }
        return lastNumber;
    }

    // Returns a function that writes a point's pixel position at zoom 0 into out. Web Mercator,
    // the usual case, is computed inline (the same affine map Leaflet applies, taken from two
    // reference points); other projections go through the CRS.
    function projector(crs) {
        if (crs.projection === L.Projection.SphericalMercator && crs.latLngToPoint) {
            var limit = L.Projection.SphericalMercator.MAX_LATITUDE,
                rad = Math.PI / 180,
                origin = crs.latLngToPoint(L.latLng(0, 0), 0),
                east = crs.latLngToPoint(L.latLng(0, 90), 0),
                north = crs.latLngToPoint(L.latLng(45, 0), 0),
                sin45 = Math.sin(45 * rad),
                ax = (east.x - origin.x) / 90,
                ay = (north.y - origin.y) / (Math.log((1 + sin45) / (1 - sin45)) / 2);
            return function (lat, lng, out) {
                var sin = Math.sin(Math.max(-limit, Math.min(limit, lat)) * rad);
                out[0] = origin.x + ax * lng;
                out[1] = origin.y + ay * Math.log((1 + sin) / (1 - sin)) / 2;
            };
        }
        var probe = { lat: 0, lng: 0 };
        return function (lat, lng, out) {
            probe.lat = lat;
            probe.lng = lng;
            var p = crs.latLngToPoint(probe, 0);
            out[0] = p.x;
            out[1] = p.y;
        };
    }

    // The width of one world at zoom 0 on a map that wraps around in longitude, else 0.
    function worldWidth(crs) {
        if (!crs.wrapLng || crs.infinite) {
            return 0;
        }
        var west = crs.latLngToPoint(L.latLng(0, crs.wrapLng[0]), 0),
            east = crs.latLngToPoint(L.latLng(0, crs.wrapLng[1]), 0);
        return Math.abs(east.x - west.x);
    }

    // A grid over the points' extent with about one bucket per point: the bucket size and
    // the number of columns and rows.
    function gridOver(points) {
        var spanX = points.maxX - points.minX,
            spanY = points.maxY - points.minY,
            target = Math.max(MIN_BUCKETS, Math.min(MAX_BUCKETS, points.count)),
            size = Math.max(Math.sqrt(spanX * spanY / target), Math.max(spanX, spanY) / MAX_BUCKETS_ACROSS) || 1;
        return { size: size, cols: Math.floor(spanX / size) + 1, rows: Math.floor(spanY / size) + 1 };
    }

    // Sorts the points by bucket of their grid (a counting sort), so that the points of a run of buckets in one row lie side by side:
    // start[b] is the first point of bucket b. Sorting a million points takes tens of
    // milliseconds, so the work goes in slices: the function returned does the next `budget`
    // points' worth and tells whether the sort is done.
    function pointSorter(points) {
        var count = points.count,
            size = points.size,
            cols = points.cols,
            buckets = cols * points.rows,
            keys = new Int32Array(count),
            start = new Int32Array(buckets + 1),
            xs = new Float64Array(count),
            ys = new Float64Array(count),
            ws = new Float64Array(count),
            scattering = false,
            i = 0;

        return function (budget) {
            var end = Math.min(count, i + budget), key, to, b;
            if (!scattering) {
                for (; i < end; i++) {
                    key = Math.floor((points.ys[i] - points.minY) / size) * cols + Math.floor((points.xs[i] - points.minX) / size);
                    keys[i] = key;
                    start[key + 1]++;
                }
                if (i === count) {
                    for (b = 1; b <= buckets; b++) {
                        start[b] += start[b - 1];
                    }
                    scattering = true;
                    i = 0;
                }
                return false;
            }
            for (; i < end; i++) {
                to = start[keys[i]]++;
                xs[to] = points.xs[i];
                ys[to] = points.ys[i];
                ws[to] = points.ws[i];
            }
            if (i < count) {
                return false;
            }
            // Each start was moved on to the next bucket's; move them back.
            start.copyWithin(1, 0, buckets);
            start[0] = 0;
            L.extend(points, { xs: xs, ys: ys, ws: ws, start: start });
            keys = null;
            return true;
        };
    }

    // Every point summed into the cells of the given size at a scale, over the points'
    // extent: each cell's weight and weighted centroid (at zoom 0). col0 and row0 are the
    // first cell's place counted from the world's origin.
    function cellsAt(points, scale, cellSize) {
        var perCell = scale / cellSize,
            col0 = Math.floor(points.minX * perCell),
            row0 = Math.floor(points.minY * perCell),
            cols = Math.floor(points.maxX * perCell) - col0 + 1,
            rows = Math.floor(points.maxY * perCell) - row0 + 1,
            xs = new Float64Array(cols * rows),
            ys = new Float64Array(cols * rows),
            ws = new Float64Array(cols * rows),
            i, x, y, w, c;

        for (i = 0; i < points.count; i++) {
            x = points.xs[i];
            y = points.ys[i];
            w = points.ws[i];
            c = (Math.floor(y * perCell) - row0) * cols + Math.floor(x * perCell) - col0;
            ws[c] += w;
            xs[c] += x * w;
            ys[c] += y * w;
        }
        for (c = 0; c < ws.length; c++) {
            if (ws[c] > 0) {
                xs[c] /= ws[c];
                ys[c] /= ws[c];
            }
        }
        return {
            scale: scale, cellSize: cellSize, xs: xs, ys: ys, ws: ws,
            col0: col0, row0: row0, cols: cols, rows: rows
        };
    }

    // Adds entries from..to of a list (zoom-0 positions moved by shift, and weights) into the
    // view's cells. Cells are counted from the world's origin at the current zoom, so they
    // stay put while the map pans.
    function addToCells(view, xs, ys, ws, from, to, shift) {
        var scale = view.scale, shiftX = view.shiftX, shiftY = view.shiftY,
            r = view.r, right = view.width + r, bottom = view.height + r,
            perCell = 1 / view.cellSize, col0 = view.col0, row0 = view.row0, cols = view.cols,
            sum = view.sum, sumX = view.sumX, sumY = view.sumY, used = view.used,
            usedCount = view.usedCount,
            i, w, px, py, x, y, c;

        for (i = from; i < to; i++) {
            w = ws[i];
            px = (xs[i] + shift) * scale;
            py = ys[i] * scale;
            x = px + shiftX;
            y = py + shiftY;
            if (x < -r || y < -r || x > right || y > bottom) {
                continue;
            }
            c = (Math.floor(py * perCell) - row0) * cols + Math.floor(px * perCell) - col0;
            if (sum[c] === 0) {
                used[usedCount++] = c;
                sumX[c] = 0;
                sumY[c] = 0;
            }
            sum[c] += w;
            sumX[c] += x * w;
            sumY[c] += y * w;
        }
        view.usedCount = usedCount;
    }

    // Adds cells col0..col1 of a row of summed cells (see cellsAt; positions moved by shift)
    // into the view's cells, moved by cellShift cells.
    function addCells(view, cells, row, col0, col1, shift, cellShift) {
        var scale = view.scale, shiftX = view.shiftX, shiftY = view.shiftY,
            r = view.r, right = view.width + r, bottom = view.height + r,
            cols = view.cols, viewRow = row + cells.row0 - view.row0,
            viewCol = cells.col0 + cellShift - view.col0,
            sum = view.sum, sumX = view.sumX, sumY = view.sumY, used = view.used,
            usedCount = view.usedCount, xs = cells.xs, ys = cells.ys, ws = cells.ws,
            col, b, w, x, y, c;

        for (col = col0; col <= col1; col++) {
            b = row * cells.cols + col;
            w = ws[b];
            if (w === 0) {
                continue;
            }
            x = (xs[b] + shift) * scale + shiftX;
            y = ys[b] * scale + shiftY;
            if (x < -r || y < -r || x > right || y > bottom) {
                continue;
            }
            c = viewRow * cols + viewCol + col;
            if (sum[c] === 0) {
                used[usedCount++] = c;
                sumX[c] = 0;
                sumY[c] = 0;
            }
            sum[c] += w;
            sumX[c] += x * w;
            sumY[c] += y * w;
        }
        view.usedCount = usedCount;
    }

    // The resolution factor at which `stamps` stamps of a diameter blend within a frame:
    // full resolution for small point sets, else coarser, as long as a stamp stays at least
    // 8 pixels wide. The stamp is a soft blur, so scaling it up loses next to nothing.
    function resolutionFactor(stamps, diameter) {
        var factor = 1;
        while (factor < MAX_FACTOR && stamps * (diameter / factor) * (diameter / factor) > BLEND_WORK &&
               diameter / (factor + 1) >= 8) {
            factor++;
        }
        return factor;
    }

    // The stamp's opacity at a resolution factor, with each row's run of non-zero pixels so
    // blending skips the empty corners.
    function stampAt(circle, factor) {
        var full = circle.width,
            size = Math.ceil(full / factor),
            alpha = new Float32Array(size * size),
            first = new Int32Array(size),
            last = new Int32Array(size),
            data = full > 0 ? circle.getContext('2d').getImageData(0, 0, full, full).data : null,
            share = 1 / (255 * factor * factor),
            x, y, sx, sy, k;

        for (y = 0; y < full; y++) {
            for (x = 0; x < full; x++) {
                alpha[((y / factor) | 0) * size + ((x / factor) | 0)] += data[(y * full + x) * 4 + 3] * share;
            }
        }
        for (sy = 0; sy < size; sy++) {
            first[sy] = size;
            last[sy] = 0;
            for (sx = 0; sx < size; sx++) {
                k = sy * size + sx;
                if (alpha[k] > 0) {
                    first[sy] = Math.min(first[sy], sx);
                    last[sy] = sx + 1;
                }
            }
        }
        return { circle: circle, factor: factor, size: size, alpha: alpha, first: first, last: last };
    }

    L.HeatLayer = L.Layer.extend({

        options: {
            radius: 25,
            blur: 15,
            minOpacity: 0.05
        },

        initialize: function (latlngs, options) {
            this._latlngs = latlngs || [];
            this._projected = null;
            L.setOptions(this, options);
        },

        setLatLngs: function (latlngs) {
            this._latlngs = latlngs || [];
            this._projected = null;
            return this.redraw();
        },

        addLatLng: function (latlng) {
            this._latlngs.push(latlng);
            this._projected = null;
            return this.redraw();
        },

        setOptions: function (options) {
            L.setOptions(this, options);
            if (this._heat) {
                this._updateOptions();
            }
            return this.redraw();
        },

        // The colour [red, green, blue, alpha 0-255] the layer paints where the blended heat is
        // `heat` (0 to 1): a lone point's centre is at minOpacity, the densest spot in view at 1.
        colourAt: function (heat) {
            if (!this._heat) {
                return null;
            }
            var floor = Math.max(0, Math.min(this.options.minOpacity, 1)),
                pixels = new Uint8Array(this._palette(fullOpacityAt(floor)).buffer),
                index = Math.max(0, Math.min(255, Math.round(heat * 255))) * 4;
            return [pixels[index], pixels[index + 1], pixels[index + 2], pixels[index + 3]];
        },

        // Draws again in the next frame; the moveend that ends a zoom draws anyway.
        redraw: function () {
            if (this._heat && this._map && !this._map._animatingZoom && !this._frame) {
                this._frame = L.Util.requestAnimFrame(function () {
                    this._frame = null;
                    if (this._map) {
                        this._reset();
                    }
                }, this);
            }
            return this;
        },

        onAdd: function (map) {
            this._map = map;
            if (!this._canvas) {
                this._initCanvas();
            }
            this.getPane().appendChild(this._canvas);
            map.on('moveend', this._reset, this);
            map.on('move', this._onMove, this);
            if (map.options.zoomAnimation && L.Browser.any3d) {
                map.on('zoomanim', this._animateZoom, this);
            }
            this._reset();
        },

        onRemove: function (map) {
            if (this._frame) {
                L.Util.cancelAnimFrame(this._frame);
                this._frame = null;
            }
            L.DomUtil.remove(this._canvas);
            map.off('moveend', this._reset, this);
            map.off('move', this._onMove, this);
            map.off('zoomanim', this._animateZoom, this);
        },

        addTo: function (map) {
            map.addLayer(this);
            return this;
        },

        // A drag or an animated pan moves the map many times before it ends: the heat follows
        // once per frame, so the part of the world coming into view is not left blank.
        _onMove: function () {
            this.redraw();
        },

        _initCanvas: function () {
            var canvas = this._canvas = L.DomUtil.create('canvas', 'leaflet-heatmap-layer leaflet-layer');
            var originProp = L.DomUtil.testProp(['transformOrigin', 'WebkitTransformOrigin', 'msTransformOrigin']);
            canvas.style[originProp] = '50% 50%';

            var size = this._map.getSize();
            canvas.width = size.x;
            canvas.height = size.y;

            var animated = this._map.options.zoomAnimation && L.Browser.any3d;
            L.DomUtil.addClass(canvas, 'leaflet-zoom-' + (animated ? 'animated' : 'hide'));

            this._heat = simpleheat(canvas);
            this._ctx = this._heat._ctx;
            this._updateOptions();
        },

        _updateOptions: function () {
            this._heat.radius(this.options.radius || this._heat.defaultRadius, this.options.blur);
            this._heat.gradient(this.options.gradient || this._heat.defaultGradient);
        },

        // Projects every point once at zoom 0; a redraw only scales and shifts, and reads the
        // grids that are built from these positions once the first draw is done. Points with coordinates or weights that are not finite numbers are left out.
        _project: function () {
            var latlngs = this._latlngs,
                n = latlngs.length,
                crs = this._map.options.crs,
                toPoint = projector(crs),
                xs = new Float64Array(n),
                ys = new Float64Array(n),
                ws = new Float64Array(n),
                point = [0, 0],
                count = 0,
                minX = Infinity, maxX = -Infinity, minY = Infinity, maxY = -Infinity,
                i, item, lat, lng, w, x, y;

            for (i = 0; i < n; i++) {
                item = latlngs[i];
                if (item === null || typeof item !== 'object') {
                    continue;
                }
                if (L.Util.isArray(item)) {
                    lat = toNumber(item[0]);
                    lng = toNumber(item[1]);
                    w = item[2] !== undefined ? toNumber(item[2]) : 1;
                } else {
                    lat = toNumber(item.lat);
                    lng = toNumber(item.lng !== undefined ? item.lng : item.lon);
                    w = item.alt !== undefined ? toNumber(item.alt) : 1;
                }
                if (!isFinite(lat) || !isFinite(lng) || !(w > 0) || !isFinite(w)) {
                    continue;
                }
                toPoint(lat, lng, point);
                x = xs[count] = point[0];
                y = ys[count] = point[1];
                ws[count] = w;
                count++;
                if (x < minX) { minX = x; }
                if (x > maxX) { maxX = x; }
                if (y < minY) { minY = y; }
                if (y > maxY) { maxY = y; }
            }
            if (count === 0) {
                minX = maxX = minY = maxY = 0;
            }
            this._projected = {
                xs: xs, ys: ys, ws: ws, count: count, crs: crs, worldWidth: worldWidth(crs),
                minX: minX, maxX: maxX, minY: minY, maxY: maxY, start: null, cells: []
            };
            L.extend(this._projected, gridOver(this._projected));
        },

        _reset: function () {
            // A frame asked for by a move or an option change would only draw this again.
            if (this._frame) {
                L.Util.cancelAnimFrame(this._frame);
                this._frame = null;
            }
            var topLeft = this._map.containerPointToLayerPoint([0, 0]);
            L.DomUtil.setPosition(this._canvas, topLeft);

            var size = this._map.getSize();
            if (this._heat._width !== size.x) {
                this._canvas.width = this._heat._width = size.x;
            }
            if (this._heat._height !== size.y) {
                this._canvas.height = this._heat._height = size.y;
            }
            this._redraw();
        },

        // The view, with empty cells of the given size counted from the world's origin at the
        // current zoom, as addToCells fills them.
        _emptyView: function (cellSize) {
            var map = this._map,
                r = this._heat._r,
                width = this._heat._width,
                height = this._heat._height,
                crs = map.options.crs,
                origin = map.getPixelOrigin(),
                panePos = map._getMapPanePos(),
                shiftX = panePos.x - origin.x,
                shiftY = panePos.y - origin.y,
                // Two spare cells on each side absorb rounding at the view's edges.
                cols = Math.ceil((width + 2 * r) / cellSize) + 6,
                rows = Math.ceil((height + 2 * r) / cellSize) + 6,
                cells = cols * rows;

            if (!this._sum || this._sum.length < cells) {
                this._sum = new Float64Array(cells);
                this._sumX = new Float64Array(cells);
                this._sumY = new Float64Array(cells);
                this._used = new Int32Array(cells);
            } else {
                this._sum.fill(0, 0, cells);
            }
            return {
                scale: crs.scale(map.getZoom()) / crs.scale(0), shiftX: shiftX, shiftY: shiftY,
                r: r, width: width, height: height, cellSize: cellSize,
                col0: Math.floor((-r - shiftX) / cellSize) - 2,
                row0: Math.floor((-r - shiftY) / cellSize) - 2,
                cols: cols, rows: rows,
                sum: this._sum, sumX: this._sumX, sumY: this._sumY, used: this._used, usedCount: 0
            };
        },

        // Sums what is in view into cells, each world copy the view reaches with its own
        // shift, and returns the view. The first draw after the points are set reads all of
        // them, which is quicker than sorting them first. Where the cells are dense with
        // points, the points are summed into cells once per zoom and cell size, and the view
        // reads those.
        _fillView: function (first) {
            var points = this._projected,
                view = this._emptyView(Math.max(1, this._heat._r / 2)),
                left = (-view.r - 1 - view.shiftX) / view.scale,
                right = (view.width + view.r + 1 - view.shiftX) / view.scale,
                world = points.worldWidth,
                firstCopy = world > 0 ? Math.ceil((left - points.maxX) / world) : 0,
                lastCopy = world > 0 ? Math.floor((right - points.minX) / world) : 0,
                cells = first ? null : this._cellsFor(view),
                copy;

            for (copy = firstCopy; copy <= lastCopy; copy++) {
                if (first) {
                    addToCells(view, points.xs, points.ys, points.ws, 0, points.count, copy * world);
                } else if (cells) {
                    this._addCells(view, cells, copy * world);
                } else {
                    this._addPoints(view, copy * world);
                }
            }
            return view;
        },

        // The points summed into the view's cells, when a cell spans at least two buckets of
        // the points' grid each way (reading the points in view would cost more), else null.
        // The last few are kept for zooming back and forth.
        _cellsFor: function (view) {
            var points = this._projected, cache = points.cells, i;
            if (view.cellSize < 2 * points.size * view.scale) {
                return null;
            }
            for (i = 0; i < cache.length; i++) {
                if (cache[i].scale === view.scale && cache[i].cellSize === view.cellSize) {
                    return cache[i];
                }
            }
            cache.unshift(cellsAt(points, view.scale, view.cellSize));
            cache.length = Math.min(cache.length, CACHED_ZOOMS);
            return cache[0];
        },

        // The range of a grid's rows and columns that lies in view of the world copy at shift.
        _inView: function (view, grid, shift) {
            var margin = view.r + 1,
                left = (-margin - view.shiftX) / view.scale - shift,
                right = (view.width + margin - view.shiftX) / view.scale - shift,
                top = (-margin - view.shiftY) / view.scale,
                bottom = (view.height + margin - view.shiftY) / view.scale;
            return {
                col0: Math.max(0, Math.floor((left - grid.minX) / grid.size)),
                col1: Math.min(grid.cols - 1, Math.floor((right - grid.minX) / grid.size)),
                row0: Math.max(0, Math.floor((top - grid.minY) / grid.size)),
                row1: Math.min(grid.rows - 1, Math.floor((bottom - grid.minY) / grid.size))
            };
        },

        // Adds the sorted points of the buckets in view, one row of buckets at a time.
        _addPoints: function (view, shift) {
            var points = this._sorted(),
                range = this._inView(view, points, shift),
                row;
            for (row = range.row0; range.col0 <= range.col1 && row <= range.row1; row++) {
                addToCells(view, points.xs, points.ys, points.ws, points.start[row * points.cols + range.col0],
                           points.start[row * points.cols + range.col1 + 1], shift);
            }
        },

        // Adds the summed cells in view. A world copy's cells are moved by whole cells, so
        // that they meet the others' cells where the copies meet.
        _addCells: function (view, cells, shift) {
            var grid = {
                    minX: cells.col0 * cells.cellSize / cells.scale, minY: cells.row0 * cells.cellSize / cells.scale,
                    size: cells.cellSize / cells.scale, cols: cells.cols, rows: cells.rows
                },
                range = this._inView(view, grid, shift),
                cellShift = Math.round(shift * cells.scale / cells.cellSize),
                row;
            for (row = range.row0; range.col0 <= range.col1 && row <= range.row1; row++) {
                addCells(view, cells, row, range.col0, range.col1, shift, cellShift);
            }
        },

        _sorted: function () {
            var points = this._projected;
            if (!points.start) {
                points.sorter = points.sorter || pointSorter(points);
                var done = false;
                while (!done) {
                    done = points.sorter(points.count);
                }
            }
            return points;
        },

        // Sorts the points in slices while the page is idle, so that they are ready by the
        // time the map is first panned or zoomed, without holding up the page meanwhile.
        _sortSoon: function () {
            var points = this._projected, self = this;
            function work(deadline) {
                if (self._projected !== points || points.start) {
                    return;
                }
                points.sorter = points.sorter || pointSorter(points);
                do {
                    if (points.sorter(SORT_SLICE)) {
                        return;
                    }
                } while (deadline && deadline.timeRemaining() > 2);
                later(work);
            }
            function later(f) {
                if (window.requestIdleCallback) {
                    window.requestIdleCallback(f, { timeout: 200 });
                } else {
                    setTimeout(f, 20);
                }
            }
            later(work);
        },

        _redraw: function () {
            var map = this._map;
            if (!map) {
                return;
            }
            var first = !this._projected || this._projected.crs !== map.options.crs;
            if (first) {
                this._project();
                this._sortSoon();
            }

            var view = this._fillView(first);
            this._clearPainted();

            var sum = view.sum, used = view.used, usedCount = view.usedCount,
                most = 0, i;
            for (i = 0; i < usedCount; i++) {
                most = Math.max(most, sum[used[i]]);
            }
            if (usedCount === 0 || view.width === 0 || view.height === 0) {
                return;
            }

            var circle = this._heat._circle,
                factor = resolutionFactor(usedCount, circle.width),
                stamp = this._stampAt(factor),
                buffer = this._bufferAt(factor),
                max = this.options.max > 0 ? this.options.max : most,
                floor = Math.max(0, Math.min(this.options.minOpacity, 1)),
                half = circle.width / 2,
                area = { left: buffer.width, top: buffer.height, right: 0, bottom: 0 },
                c, w, left, top;

            // Stamping in script beats thousands of drawImage calls on a canvas that is read
            // back anyway; it blends like the canvas does ("source-over").
            for (i = 0; i < usedCount; i++) {
                c = used[i];
                w = sum[c];
                left = Math.round((Math.round(view.sumX[c] / w) - half) / factor);
                top = Math.round((Math.round(view.sumY[c] / w) - half) / factor);
                this._addStamp(buffer, stamp, left, top, floor + (1 - floor) * Math.min(w / max, 1));
                area.left = Math.min(area.left, left);
                area.top = Math.min(area.top, top);
                area.right = Math.max(area.right, left + stamp.size);
                area.bottom = Math.max(area.bottom, top + stamp.size);
            }
            area.left = Math.max(0, area.left);
            area.top = Math.max(0, area.top);
            area.right = Math.min(buffer.width, area.right);
            area.bottom = Math.min(buffer.height, area.bottom);
            if (area.left < area.right && area.top < area.bottom) {
                this._paint(buffer, area, fullOpacityAt(floor));
                this._painted = { buffer: buffer, area: area };
            }
        },

        _stampAt: function (factor) {
            var circle = this._heat._circle;
            if (!this._stamp || this._stamp.circle !== circle || this._stamp.factor !== factor) {
                this._stamp = stampAt(circle, factor);
            }
            return this._stamp;
        },

        // The heat buffer for the canvas at a resolution factor, kept for redraws that switch
        // back and forth; below full resolution it is painted onto a canvas of its own, which
        // is then drawn scaled up.
        _bufferAt: function (factor) {
            var width = Math.ceil(this._heat._width / factor),
                height = Math.ceil(this._heat._height / factor),
                buffers = this._buffers = this._buffers || {},
                buffer = buffers[factor];
            if (!buffer || buffer.width !== width || buffer.height !== height) {
                buffer = buffers[factor] = {
                    factor: factor, width: width, height: height, heat: new Float32Array(width * height),
                    canvas: this._canvas
                };
                if (factor !== 1) {
                    buffer.canvas = document.createElement('canvas');
                    buffer.canvas.width = width;
                    buffer.canvas.height = height;
                }
            }
            return buffer;
        },

        // Only the part that was painted last time holds heat.
        _clearPainted: function () {
            var painted = this._painted;
            if (!painted) {
                return;
            }
            var buffer = painted.buffer, area = painted.area, factor = buffer.factor, y;
            this._ctx.clearRect(area.left * factor, area.top * factor,
                                (area.right - area.left) * factor, (area.bottom - area.top) * factor);
            if (factor !== 1) {
                buffer.canvas.getContext('2d').clearRect(area.left, area.top, area.right - area.left, area.bottom - area.top);
            }
            for (y = area.top; y < area.bottom; y++) {
                buffer.heat.fill(0, y * buffer.width + area.left, y * buffer.width + area.right);
            }
            this._painted = null;
        },

        _addStamp: function (buffer, stamp, left, top, opacity) {
            var d = stamp.size,
                alpha = stamp.alpha,
                heat = buffer.heat,
                width = buffer.width,
                y0 = Math.max(0, -top),
                y1 = Math.min(d, buffer.height - top),
                sy, sx, x1, s, h, row, srcRow;

            for (sy = y0; sy < y1; sy++) {
                row = (top + sy) * width + left;
                srcRow = sy * d;
                x1 = Math.min(stamp.last[sy], width - left);
                for (sx = Math.max(stamp.first[sy], -left); sx < x1; sx++) {
                    s = alpha[srcRow + sx] * opacity;
                    h = heat[row + sx];
                    heat[row + sx] = h + s * (1 - h);
                }
            }
        },

        // The gradient as whole pixels, opacity included, indexed by the blended heat (0-255).
        _palette: function (fullAt) {
            var gradient = this._heat._grad;
            if (!this._colours || this._colours.gradient !== gradient || this._colours.fullAt !== fullAt) {
                var bytes = new Uint8ClampedArray(256 * 4), gain = 1 / fullAt, a;
                for (a = 1; a < 256; a++) {
                    bytes[a * 4] = gradient[a * 4];
                    bytes[a * 4 + 1] = gradient[a * 4 + 1];
                    bytes[a * 4 + 2] = gradient[a * 4 + 2];
                    bytes[a * 4 + 3] = a * gain;
                }
                this._colours = { gradient: gradient, fullAt: fullAt, pixels: new Uint32Array(bytes.buffer) };
            }
            return this._colours.pixels;
        },

        _paint: function (buffer, area, fullAt) {
            var width = buffer.width,
                areaWidth = area.right - area.left,
                areaHeight = area.bottom - area.top,
                context = buffer.canvas.getContext('2d'),
                image = context.createImageData(areaWidth, areaHeight),
                out = new Uint32Array(image.data.buffer),
                palette = this._palette(fullAt),
                heat = buffer.heat,
                factor = buffer.factor,
                x, y, from, to;

            for (y = 0; y < areaHeight; y++) {
                from = (area.top + y) * width + area.left;
                to = y * areaWidth;
                for (x = 0; x < areaWidth; x++) {
                    out[to + x] = palette[(heat[from + x] * 255 + 0.5) | 0];
                }
            }
            context.putImageData(image, area.left, area.top);
            if (factor !== 1) {
                this._ctx.imageSmoothingEnabled = true;
                this._ctx.drawImage(buffer.canvas, area.left, area.top, areaWidth, areaHeight,
                                    area.left * factor, area.top * factor, areaWidth * factor, areaHeight * factor);
            }
        },

        _animateZoom: function (e) {
            var scale = this._map.getZoomScale(e.zoom),
                offset = this._map._getCenterOffset(e.center)._multiplyBy(-scale).subtract(this._map._getMapPanePos());

            if (L.DomUtil.setTransform) {
                L.DomUtil.setTransform(this._canvas, offset, scale);
            } else {
                this._canvas.style[L.DomUtil.TRANSFORM] = L.DomUtil.getTranslateString(offset) + ' scale(' + scale + ')';
            }
        }
    });

    L.heatLayer = function (latlngs, options) {
        return new L.HeatLayer(latlngs, options);
    };
}());
