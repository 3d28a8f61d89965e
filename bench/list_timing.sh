#!/usr/bin/env bash
# List timing on an idle machine, then with one busy loop per core beside it.
# usage: bench/list_timing.sh BUILD_DIR [STEPS]
set -euo pipefail
bin="$1/bench/list_timing"
export QT_QPA_PLATFORM=offscreen
echo "idle:"
"$bin" "${2:-1000}"
echo "busy ($(nproc) busy loops):"
pids=()
for _ in $(seq "$(nproc)"); do (while :; do :; done) & pids+=($!); done
trap 'kill "${pids[@]}" 2>/dev/null' EXIT
"$bin" "${2:-1000}"
