#!/bin/sh
# A setup run without a window: exit status 0 when its words reached the
# board, 1 (with a line that says so) when a request failed on the way.
# Usage: headless_setup.sh KTEVAL WORK_DIR
set -u
dir="$(cd "$2" && pwd)/headless-setup-$$"
mkdir -p "$dir" || exit 1
trap 'rm -rf "$dir"' EXIT
printf 'DAC1:X1A 100\n' >"$dir/setup"
failures=0
# run STATUS WORD FAULT: the run exits with STATUS and says WORD.
run() {
    out=$(env -u DISPLAY ${3:+KTEVAL_SIMULATE_FAULT=$3} KTEVAL_TRACE="$dir/trace" \
        "$1" --simulate --headless --part KT4421 --setup "$dir/setup" 2>&1)
    got=$?
    if [ "$got" -ne "$2" ] || ! printf '%s\n' "$out" | grep -qF -- "$4"; then
        echo "FAIL: fault '$3': exit status $got, not $2; wanted '$4' in:"
        printf '%s\n' "$out"
        failures=$((failures + 1))
    fi
}
k=$1
run "$k" 0 "" ""
# A 14-bit code goes out shifted left by 2: 100 is 0x0190.
grep -q "X write ch 1 data 0x0190" "$dir/trace" || { echo "FAIL: the word is not in the trace"; failures=$((failures + 1)); }
# The third call is the setup's word.
run "$k" 1 "timeout@3" "the setup did not reach the board: 1 request failed"
exit $((failures > 0))
