#!/usr/bin/env bash
# Starts the built program headless and checks that it comes up and keeps running.
set -u
program="$1"
log=$(mktemp)
QT_QPA_PLATFORM=offscreen "$program" >"$log" 2>&1 &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
    echo "thermira exited during start-up:"; cat "$log"; exit 1
fi
kill "$pid"; wait "$pid" 2>/dev/null
if grep -E "QObject|Cannot|ASSERT|Segmentation" "$log"; then
    echo "unexpected output during start-up"; exit 1
fi
echo "thermira started and kept running"
