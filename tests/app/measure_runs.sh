#!/bin/sh
# Catches a headless characterisation or calibration that does not end, fails,
# or leaves out one of its files. Usage: measure_runs.sh KTEVAL WORK_DIR
set -eu
dir="$(cd "$2" && pwd)/measure-runs-$$"
trap 'rm -rf "$dir"' EXIT
export XDG_DATA_HOME="$dir/data"  # the calibration kept per board
k=$1
"$k" --simulate --headless --part KT4410 --dmm simulated --nplc 0.02 --out "$dir" --characterise 0,9 2>/dev/null
"$k" --simulate --headless --part KT4423 --dmm simulated --nplc 0.02 --out "$dir" --calibrate 0-2 \
    --route 'ROUT:CLOS (@1{n:02})' 2>/dev/null
grep -q '^2,' "$dir/calibration.csv" || { echo "FAIL: scanner"; exit 1; }
for f in readings.csv summary.csv dac0-linearity.svg dac9-linearity.png calibration.csv; do
    [ -s "$dir/$f" ] || { echo "FAIL: no $f"; exit 1; }
done
[ "$(wc -l <"$dir/summary.csv")" -eq 3 ] && [ "$(wc -l <"$dir/calibration.csv")" -eq 4 ] ||
    { echo "FAIL: rows"; head "$dir"/*.csv; exit 1; }
