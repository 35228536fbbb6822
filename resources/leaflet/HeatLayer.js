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
 Positions are projected once when the points are set, so a redraw is a single pass over
 typed arrays, and the stamps are blended in a buffer that is painted once.

 Options: radius (25), blur (15), minOpacity (0.05), max (automatic), gradient (simpleheat's),
 pane ('overlayPane'). maxZoom is accepted for compatibility and has no effect.
*/

(function () {
    'use strict';

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

        redraw: function () {
            if (this._heat && !this._frame && this._map && !this._map._animating) {
                this._frame = L.Util.requestAnimFrame(this._redraw, this);
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
            map.off('zoomanim', this._animateZoom, this);
        },

        addTo: function (map) {
            map.addLayer(this);
            return this;
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

        // Projects every point once at zoom 0; a redraw only scales and shifts. Points with
        // coordinates or weights that are not finite numbers are left out.
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
                i, item, lat, lng, w;

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
                xs[count] = point[0];
                ys[count] = point[1];
                ws[count] = w;
                count++;
            }
            this._projected = { xs: xs, ys: ys, ws: ws, count: count, crs: crs };
        },

        _reset: function () {
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

        // The stamp's opacity, read once from simpleheat's blurred circle.
        _stampAlpha: function () {
            var heat = this._heat;
            if (!this._stamp || this._stamp.circle !== heat._circle) {
                var d = heat._r * 2,
                    alpha = new Float32Array(d * d);
                if (d > 0) {
                    var data = heat._circle.getContext('2d').getImageData(0, 0, d, d).data;
                    for (var k = 0; k < alpha.length; k++) {
                        alpha[k] = data[k * 4 + 3] / 255;
                    }
                }
                this._stamp = { circle: heat._circle, size: d, alpha: alpha };
            }
            return this._stamp;
        },

        _redraw: function () {
            this._frame = null;
            var map = this._map;
            if (!map) {
                return;
            }
            if (!this._projected || this._projected.crs !== map.options.crs) {
                this._project();
            }

            var heat = this._heat,
                r = heat._r,
                width = heat._width,
                height = heat._height,
                cellSize = Math.max(1, r / 2),
                zoom = map.getZoom(),
                crs = map.options.crs,
                scale = crs.scale(zoom) / crs.scale(0),
                origin = map.getPixelOrigin(),
                panePos = map._getMapPanePos(),
                shiftX = panePos.x - origin.x,
                shiftY = panePos.y - origin.y,
                // Cells stay fixed to the map while it pans, so the picture does not flicker.
                offsetX = panePos.x % cellSize,
                offsetY = panePos.y % cellSize,
                cols = Math.ceil((width + 2 * r) / cellSize) + 3,
                rows = Math.ceil((height + 2 * r) / cellSize) + 3,
                cells = cols * rows,
                xs = this._projected.xs,
                ys = this._projected.ys,
                ws = this._projected.ws,
                count = this._projected.count,
                i, x, y, w, cx, cy, c;

            if (!this._sum || this._sum.length < cells) {
                this._sum = new Float64Array(cells);
                this._sumX = new Float64Array(cells);
                this._sumY = new Float64Array(cells);
                this._used = new Int32Array(cells);
            } else {
                this._sum.fill(0, 0, cells);
            }
            var sum = this._sum, sumX = this._sumX, sumY = this._sumY, used = this._used,
                usedCount = 0, most = 0;

            for (i = 0; i < count; i++) {
                x = xs[i] * scale + shiftX;
                y = ys[i] * scale + shiftY;
                if (x < -r || y < -r || x > width + r || y > height + r) {
                    continue;
                }
                cx = Math.floor((x + r - offsetX) / cellSize) + 1;
                cy = Math.floor((y + r - offsetY) / cellSize) + 1;
                c = cy * cols + cx;
                w = ws[i];
                if (sum[c] === 0) {
                    used[usedCount++] = c;
                    sumX[c] = 0;
                    sumY[c] = 0;
                }
                sum[c] += w;
                sumX[c] += x * w;
                sumY[c] += y * w;
            }
            for (i = 0; i < usedCount; i++) {
                if (sum[used[i]] > most) {
                    most = sum[used[i]];
                }
            }

            var pixels = width * height;
            if (!this._heatBuffer || this._bufferWidth !== width || this._heatBuffer.length !== pixels) {
                this._heatBuffer = new Float32Array(pixels);
                this._bufferWidth = width;
                this._painted = null;
            }
            var ctx = this._ctx;
            if (this._painted) {
                // Only the part that was painted last time holds heat.
                var old = this._painted;
                ctx.clearRect(old.left, old.top, old.right - old.left, old.bottom - old.top);
                for (y = old.top; y < old.bottom; y++) {
                    this._heatBuffer.fill(0, y * width + old.left, y * width + old.right);
                }
                this._painted = null;
            }
            if (usedCount === 0 || pixels === 0) {
                return;
            }

            var max = this.options.max > 0 ? this.options.max : most,
                floor = Math.max(0, Math.min(this.options.minOpacity, 1)),
                area = { left: width, top: height, right: 0, bottom: 0 },
                left, top;
            // Stamping in script beats thousands of drawImage calls on a canvas that is read
            // back anyway; it blends like the canvas does ("source-over").
            for (i = 0; i < usedCount; i++) {
                c = used[i];
                w = sum[c];
                left = Math.round(sumX[c] / w) - r;
                top = Math.round(sumY[c] / w) - r;
                this._addStamp(left, top, floor + (1 - floor) * Math.min(w / max, 1));
                area.left = Math.min(area.left, left);
                area.top = Math.min(area.top, top);
                area.right = Math.max(area.right, left + 2 * r);
                area.bottom = Math.max(area.bottom, top + 2 * r);
            }
            area.left = Math.max(0, area.left);
            area.top = Math.max(0, area.top);
            area.right = Math.min(width, area.right);
            area.bottom = Math.min(height, area.bottom);
            if (area.left < area.right && area.top < area.bottom) {
                this._paint(area, fullOpacityAt(floor));
                this._painted = area;
            }
        },

        _addStamp: function (left, top, opacity) {
            var stamp = this._stampAlpha(),
                d = stamp.size,
                alpha = stamp.alpha,
                buffer = this._heatBuffer,
                width = this._heat._width,
                height = this._heat._height,
                x0 = Math.max(0, -left),
                y0 = Math.max(0, -top),
                x1 = Math.min(d, width - left),
                y1 = Math.min(d, height - top),
                sx, sy, s, h, row, srcRow;

            for (sy = y0; sy < y1; sy++) {
                row = (top + sy) * width + left;
                srcRow = sy * d;
                for (sx = x0; sx < x1; sx++) {
                    s = alpha[srcRow + sx];
                    if (s !== 0) {
                        s *= opacity;
                        h = buffer[row + sx];
                        buffer[row + sx] = h + s * (1 - h);
                    }
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

        _paint: function (area, fullAt) {
            var width = this._heat._width,
                areaWidth = area.right - area.left,
                areaHeight = area.bottom - area.top,
                image = this._ctx.createImageData(areaWidth, areaHeight),
                out = new Uint32Array(image.data.buffer),
                palette = this._palette(fullAt),
                buffer = this._heatBuffer,
                x, y, from, to;

            for (y = 0; y < areaHeight; y++) {
                from = (area.top + y) * width + area.left;
                to = y * areaWidth;
                for (x = 0; x < areaWidth; x++) {
                    out[to + x] = palette[(buffer[from + x] * 255 + 0.5) | 0];
                }
            }
            this._ctx.putImageData(image, area.left, area.top);
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
