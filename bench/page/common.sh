# Shared by the page benchmarks: an export with a benchmark script beside its page, and one
# fresh headless Chromium run on it that prints what the script wrote into <pre id="bench">.

# bench_page BUILD POINTS_CSV SCRIPT FOLDER: exports POINTS_CSV into FOLDER and writes
# FOLDER/bench.html, the page with SCRIPT run after its own scripts.
bench_page() {
    local build="$1" points="$2" script="$3" folder="$4"
    "$build/thermira" --separator , --export "$folder" "$points" >/dev/null
    cp "$script" "$folder/"
    sed "s#</body>#<script src=\"$(basename "$script")\"></script>\n</body>#" "$folder/index.html" \
        >"$folder/bench.html"
}

# bench_figures FOLDER: the benchmark script's figures from one run at 1200x800.
bench_figures() {
    local profile
    profile="$(mktemp -d)"
    chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
        --user-data-dir="$profile" --host-resolver-rules='MAP * ~NOTFOUND' --window-size=1200,800 \
        --dump-dom "file://$1/bench.html" 2>/dev/null |
        sed -n '/<pre id="bench">/,/<\/pre>/p' | sed 's/<[^>]*>//g'
    rm -rf "$profile"
}
