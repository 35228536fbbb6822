// Injected after the page's own scripts by page-redraw-time.sh: times the heat layer's redraw
// after setView at several zooms and places, and writes the figures into the page, where
// --dump-dom shows them.
(function () {
    'use strict';
    var out = document.createElement('pre');
    out.id = 'bench';
    document.body.appendChild(out);
    var page = window.heatmapPage;
    if (!page) {
        out.textContent = 'error: the page did not start';
        return;
    }
    var map = page.map, heat = page.heat;
    // Chromium rasterizes a canvas later, at paint; reading one pixel back makes it do so
    // inside the timing.
    var heatCanvas = document.querySelector('.leaflet-heat-pane canvas');
    var outlineCanvas = document.querySelector('.leaflet-outline-pane canvas');
    function flush() {
        heatCanvas.getContext('2d').getImageData(0, 0, 1, 1);
        if (outlineCanvas) {
            outlineCanvas.getContext('2d').getImageData(0, 0, 1, 1);
        }
    }
    var zooms = [2, 3, 5, 8];
    var centres = [[20, 0], [48, 10], [35, 105], [-15, -55], [40, -95], [0, 179]];
    var lines = [], all = [];
    function median(list) {
        var sorted = list.slice().sort(function (a, b) { return a - b; });
        return sorted[Math.floor((sorted.length - 1) / 2)];
    }
    var moves = [];
    zooms.forEach(function (zoom) {
        var times = [];
        for (var round = 0; round < 3; round++) {
            centres.forEach(function (centre) {
                // The whole move: the map's own redraws of the heat and the outline on moveend,
                // a zoom's first visit included.
                var moved = performance.now();
                map.setView(centre, zoom, { animate: false });
                flush();
                moves.push(performance.now() - moved);
                var started = performance.now();
                heat._redraw();
                flush();
                times.push(performance.now() - started);
            });
        }
        all = all.concat(times);
        lines.push('zoom ' + map.getZoom() + ': median ' + median(times).toFixed(1) + ' ms, max ' +
                   Math.max.apply(null, times).toFixed(1) + ' ms');
    });
    lines.push('setView with its moveend redraws: median ' + median(moves).toFixed(1) + ' ms, max ' +
               Math.max.apply(null, moves).toFixed(1) + ' ms');
    lines.push('redraw: median ' + median(all).toFixed(1) + ' ms over ' + all.length + ' redraws');
    lines.push('data-ms: ' + document.getElementById('status').getAttribute('data-ms') + ' ms');
    lines.push('drawn: ' + document.getElementById('status').getAttribute('data-drawn'));
    out.textContent = lines.join('\n');
}());
