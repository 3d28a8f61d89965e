#!/bin/sh
# Catches a start that is refused by an abort (Qt's, status 134), with the
# wrong exit status, without saying why, or that leaves an empty request
# trace or recording behind. Runs without a display or a chosen platform. Usage: start_refusals.sh KTEVAL WORK_DIR
set -u
k=$(realpath "$1") || exit 1
dir="$(cd "$2" && pwd)/start-refusals-$$"
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir" || exit 1
failures=0
# row STATUS WORD KEEPALIVE ARGS...: kteval ARGS exits with STATUS, its
# output holds WORD, and neither its trace nor its recording exists.
row() {
    status=$1 word=$2 keepalive=$3
    shift 3
    out=$(cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u KTEVAL_KEEPALIVE \
        HOME="$dir" KTEVAL_TRACE="$dir/trace" ${keepalive:+KTEVAL_KEEPALIVE=$keepalive} \
        "$k" --record "$dir/record" "$@" 2>&1 </dev/null)
    got=$?
    if [ "$got" -ne "$status" ] || ! printf '%s\n' "$out" | grep -qF -- "$word" ||
        [ -e "$dir/trace" ] || [ -e "$dir/record" ]; then
        echo "FAIL: $* (exit status $got, not $status; wanted '$word'):"
        printf '%s\n' "$out" | sed -n '1,5p'
        ls "$dir"
        failures=$((failures + 1))
    fi
    rm -f "$dir/trace" "$dir/record"
}
row 1 "unknown option '--bogus'" "" --bogus
row 1 "'--part' needs a value" "" --part
row 1 "kteval --help" "" --simulate --part KT4421 --headles
row 1 "xvfb-run" "" --simulate --part KT4421
row 2 "--headless needs --part" "" --headless
row 2 "--listen wants" "" --headless --part KT4421 --listen x:y
row 2 "KTEVAL_KEEPALIVE" "60,0,6" --headless --part KT4421 --listen 0
row 2 "unknown part 'KT9'" "" --simulate --part KT9
row 2 "cannot read the setup" "" --headless --part KT4421 --setup "$dir/none"
row 2 "cannot record" "" --simulate --headless --part KT4421 --listen 0 --record "$dir/no/r"
row 0 "nothing to do" "" --simulate --headless --part KT4421
row 2 "a meter address is" "" --simulate --headless --part KT4421 --listen 0 --dmm gpib:1
row 2 "has no monitor pin" "" --simulate --headless --part KT4421 --listen 0 --dmm simulated --route monitor
row 2 "need --headless, --dmm and --out" "" --simulate --headless --part KT4421 --characterise 0
row 2 "the channels '0-99'" "" --simulate --headless --part KT4410 --dmm simulated --out . --calibrate 0-99
row 0 "KTEVAL_KEEPALIVE" "" -h
exit $((failures > 0))
