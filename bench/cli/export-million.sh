#!/usr/bin/env bash
# The command line's export of a 1,000,000-line location file, timed as a whole process:
#   bench/cli/export-million.sh [build-dir] [runs]
# hyperfine gives the wall time (median over the runs), /usr/bin/time -v the peak memory.
set -euo pipefail
build="${1:-build-tests}"
runs="${2:-10}"
program="$(realpath "$build/thermira")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# "lat,lon" with four decimals, CR LF, the same every time (about 18 MB).
awk 'BEGIN { srand(7); for (i = 0; i < 1000000; i++)
       printf "%.4f,%.4f\r\n", rand() * 180 - 90, rand() * 360 - 180 }' > "$work/one-million.csv"
ls -l "$work/one-million.csv"

cd "$work"
hyperfine -N --warmup 2 --runs "$runs" --export-json "$work/times.json" \
    "$program --separator , --export out one-million.csv"
python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["results"][0]; print("median %.1f ms" % (r["median"]*1000))' \
    "$work/times.json"
for i in 1 2 3 4 5; do
    /usr/bin/time -v "$program" --separator , --export out one-million.csv 2>&1 >/dev/null |
        sed -n 's/^\tMaximum resident set size (kbytes): /peak resident (kB): /p'
done
