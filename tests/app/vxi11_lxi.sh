#!/bin/sh
# lxi-tools against the program in a lab network of its own (run by
# tests/support/lab-network --rpcbind): "lxi discover" finds it by VXI-11
# broadcast, "lxi scpi" asks it over VXI-11, a second program on the same
# computer does not take its portmapper entry, and the entry is gone once it
# has ended. Usage: vxi11_lxi.sh KTEVAL WORK_DIR
set -u
dir="$(cd "$2" && pwd)/vxi11-lxi-$$"
mkdir -p "$dir" || exit 1
trap 'rm -rf "$dir"' EXIT
"$1" --simulate --part KT4421 --headless --listen "$LAB_ADDR:0" 2>"$dir/err" &
pid=$!
for _ in $(seq 100); do grep -q "VXI-11 on" "$dir/err" && break; sleep 0.1; done
identity="kteval,KT4421,SIMULATED,1.05"
failures=0
check() {  # WHAT EXPECTED GOT
    if ! printf '%s\n' "$3" | grep -qF -- "$2"; then
        echo "FAIL: $1: wanted '$2' in:"; printf '%s\n' "$3"; failures=$((failures + 1))
    fi
}
check "lxi discover" "Found \"$identity\" on address $LAB_ADDR" "$(timeout 30 lxi discover 2>&1)"
check "lxi scpi" "$identity" "$(timeout 30 lxi scpi -a "$LAB_ADDR" '*IDN?' 2>&1)"
# Each run is a link of its own; the device they share keeps what one wrote.
check "lxi scpi, a write then a query" "1000" \
    "$(timeout 30 lxi scpi -a "$LAB_ADDR" 'DAC5:X1A 1000' 2>&1; timeout 30 lxi scpi -a "$LAB_ADDR" 'DAC5:X1A?' 2>&1)"
# A second program on the same computer leaves the first one's entry alone,
# also when it ends.
"$1" --simulate --part KT4410 --headless --listen "$LAB_ADDR:0" 2>"$dir/err2" &
second=$!
for _ in $(seq 100); do grep -q "portmapper" "$dir/err2" && break; sleep 0.1; done
kill "$second"
wait "$second"
check "the second program" "held by another program's core channel" "$(cat "$dir/err2")"
check "lxi scpi after the second has ended" "$identity" \
    "$(timeout 30 lxi scpi -a "$LAB_ADDR" '*IDN?' 2>&1)"
kill "$pid"
wait "$pid"
status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: exit status $status after SIGTERM"; failures=$((failures + 1))
fi
check "log" "disconnected" "$(cat "$dir/err")"
if rpcinfo -p 127.0.0.1 | grep -q 395183; then
    echo "FAIL: the portmapper entry stayed"; failures=$((failures + 1))
fi
[ "$failures" -eq 0 ]
