// Injected by outline-redraw-time.sh: times the outline layer, adding it (decode + first draw)
// and its redraw after setView at several zooms. Chromium rasterizes a canvas later, at paint;
// reading one pixel back makes it do so inside the timing.
(function () {
    'use strict';
    var out = document.createElement('pre');
    out.id = 'bench';
    document.body.appendChild(out);
    var page = window.heatmapPage, map = page.map, lines = [];
    map.removeLayer(page.heat);
    map.removeLayer(page.outline);
    function median(list) {
        var s = list.slice().sort(function (a, b) { return a - b; });
        return s[Math.floor((s.length - 1) / 2)];
    }
    function flush(layer) {
        layer._container.getContext('2d').getImageData(0, 0, 1, 1);
    }
    var started = performance.now();
    var layer = L.outlineLayer(worldOutline, { pane: 'outline' });
    map.addLayer(layer);
    flush(layer);
    lines.push('outline add (decode + first draw): ' + (performance.now() - started).toFixed(1) + ' ms');
    started = performance.now();
    layer._redraw();
    flush(layer);
    lines.push('outline first-view redraw: ' + (performance.now() - started).toFixed(1) + ' ms');
    var centres = [[20, 0], [48, 10], [35, 105], [-15, -55], [40, -95], [0, 179]];
    [2, 3, 5, 8].forEach(function (zoom) {
        var setView = [], redraw = [];
        for (var round = 0; round < 3; round++) {
            centres.forEach(function (c) {
                var t = performance.now();
                map.setView(c, zoom, { animate: false });
                flush(layer);
                setView.push(performance.now() - t);
                t = performance.now();
                layer._redraw();
                flush(layer);
                redraw.push(performance.now() - t);
            });
        }
        lines.push('zoom ' + zoom + ': setView median ' + median(setView).toFixed(1) + ' ms, _redraw median ' +
                   median(redraw).toFixed(1) + ' ms, max ' + Math.max.apply(null, redraw).toFixed(1) + ' ms');
    });
    out.textContent = lines.join('\n');
}());
