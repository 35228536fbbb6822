#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz: clang, libFuzzer, AddressSanitizer, UBSan) and runs them
# one after the other, each on a scratch copy of its seed corpus (the committed corpus never
# grows), for the given seconds or executions, whichever comes first. Prints per target the
# executions, executions per second, coverage and findings; exits non-zero on any finding.
# Usage: scripts/fuzz.sh [seconds per target (60)] [executions per target (no limit)]
# THERMIRA_FUZZ_ONLY="textlines answers" runs only those targets; THERMIRA_FUZZ_WORK names the
# folder that keeps the logs, corpora and findings (a new temporary folder otherwise).
set -euo pipefail
source "$(dirname "$0")/common.sh"
seconds="${1:-60}"
runs="${2:--1}"
scripts/setup.sh --fuzz
cmake --preset fuzz "${launcher[@]}" >/dev/null
cmake --build build-fuzz --target fuzz_targets -j2

work="${THERMIRA_FUZZ_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/thermira-fuzz.XXXXXX")}"
mkdir -p "$work"
if [[ -n "${THERMIRA_FUZZ_ONLY:-}" ]]; then
    read -r -a targets <<<"$THERMIRA_FUZZ_ONLY"
else
    targets=()
    for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

summary=("target executions exec/s cov ft seconds findings")
found=0
for name in "${targets[@]}"; do
    dir="$work/$name"
    rm -rf "$dir" && mkdir -p "$dir/corpus" "$dir/findings"
    cp -r "fuzz/corpus/$name/." "$dir/corpus/"
    echo "== fuzz_$name: up to $seconds s, log $dir/log"
    start=$(date +%s)
    status=0
    "build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -runs="$runs" -print_final_stats=1 \
        -artifact_prefix="$dir/findings/" "$dir/corpus" >"$dir/log" 2>&1 || status=$?
    elapsed=$(($(date +%s) - start))
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$dir/log" | tail -1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    findings=$(find "$dir/findings" -type f | wc -l)
    if ((status != 0 || findings > 0)); then
        found=1
        echo "   FINDING (exit $status):"; find "$dir/findings" -type f | sed 's/^/   /'
        grep -E 'ERROR|runtime error|Property violated' "$dir/log" | head -5 | sed 's/^/   /' || true
    fi
    summary+=("fuzz_$name ${executions:-?} ${rate:-?} ${cov:-?} ${ft:-?} $elapsed $findings")
done

echo
printf '%s\n' "${summary[@]}" | column -t
echo "Logs, corpora and findings: $work"
exit $found
