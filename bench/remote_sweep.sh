#!/bin/sh
# examples/dac_sweep.py over all 16,384 codes of a KT4421 channel (PyVISA-py
# with its defaults, so Nagle's algorithm on) against the program started
# headless: the wall time of the whole sweep.
#
# bench/remote_sweep.sh BUILD_DIR
set -eu
build=${1:-build}
here=$(dirname "$0")
out=$(mktemp -d)
trap 'kill "$server" 2>/dev/null; rm -rf "$out"' EXIT
"$build/src/app/kteval" --simulate --part KT4421 --headless --listen 127.0.0.1:0 2>"$out/log" &
server=$!
until port=$(sed -n 's/^kteval: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$out/log") &&
    [ -n "$port" ]; do sleep 0.1; done
start=$(date +%s.%N)
/usr/bin/python3 "$here/../examples/dac_sweep.py" --port "$port" --channel 5 --steps 16384 \
    --csv "$out/sweep.csv" --png "$out/sweep.png"
end=$(date +%s.%N)
echo "16384-code sweep: $(awk "BEGIN { print $end - $start }") s"
