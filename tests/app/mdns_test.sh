#!/bin/bash
# kteval found on a lab network of its own (run inside tests/support/lab-network):
# with --avahi, avahi-browse lists its _scpi-raw._tcp, _vxi-11._tcp (on the
# portmapper's port), _lxi._tcp and _http._tcp
# services with their TXT records and lxi discover -m finds it, and --no-announce
# announces nothing; without an Avahi daemon kteval says so in one line and
# still answers. Usage: mdns_test.sh KTEVAL avahi|no-daemon
set -u
k=$1 mode=$2
dir=$(mktemp -d)
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# start NAME ARGS...: kteval in the background, standard error in $dir/NAME.
start() {
    local name=$1
    shift
    env -u XDG_RUNTIME_DIR -u DISPLAY "$k" --simulate --part KT4421 --headless "$@" \
        2>"$dir/$name" &
    pid=$!
}
stop() {
    kill "$pid" && wait "$pid" || fail "kteval ended with status $?"
}
# waits up to 10 s for kteval's standard error ($1) to hold the line $2.
wait_for_line() {
    for _ in $(seq 100); do
        grep -qxF -- "$2" "$dir/$1" && return 0
        sleep 0.1
    done
    fail "no line '$2':"
    cat "$dir/$1"
    return 1
}
idn() {
    (printf '*IDN?\n'; sleep 1) | nc -w 5 "$LAB_ADDR" 5025
}

if [ "$mode" = avahi ]; then
    name="kteval KT4421 SIMULATED"
    txt='"txtvers=1" "Manufacturer=kteval" "Model=KT4421" "SerialNumber=SIMULATED" "FirmwareVersion=1.05"'
    start announced --listen "$LAB_ADDR:5025" --web "$LAB_ADDR:8080"
    wait_for_line announced "kteval: announced on the network as '$name'"
    for row in "_scpi-raw._tcp 5025 $txt" "_vxi-11._tcp 111 $txt" "_lxi._tcp 8080 $txt" "_http._tcp 8080 $txt \"path=/\""; do
        read -r type port records <<<"$row"
        # Resolved entries: =;lab0;IPv4;NAME;TYPE;local;HOST;ADDRESS;PORT;TXT
        found=$(avahi-browse -rtpk "$type" | grep '^=' | cut -d';' -f4,5,8-)
        wanted="${name// /\\032};$type;$LAB_ADDR;$port;$records"
        [ "$found" = "$wanted" ] || fail "avahi-browse $type: '$found', not '$wanted'"
    done
    discovered=$(timeout 60 lxi discover -m)
    for service in "lxi service on port 8080" "scpi-raw service on port 5025"; do
        printf '%s\n' "$discovered" | grep -qF "$service" || fail "lxi discover -m: no $service"
    done
    printf '%s\n' "$discovered" | grep -qF "Found \"$name\" on address $LAB_ADDR" ||
        fail "lxi discover -m: $discovered"
    stop
    # Withdrawn once kteval has ended; not announced with --no-announce.
    start quiet --listen "$LAB_ADDR:5025" --web "$LAB_ADDR:8080" --no-announce
    wait_for_line quiet "kteval: web page on $LAB_ADDR:8080"
    [ -n "$(idn)" ] || fail "--no-announce: no answer"
    left=$(avahi-browse -rtpk _scpi-raw._tcp | grep '^=')
    [ -z "$left" ] || fail "announced after the end or with --no-announce: $left"
    grep -q "announce\|Avahi" "$dir/quiet" && fail "--no-announce said: $(cat "$dir/quiet")"
    stop
else
    start alone --listen "$LAB_ADDR:5025"
    wait_for_line alone "kteval: no Avahi daemon; not announced on the network"
    answer=$(idn)
    case "$answer" in kteval,KT4421,*) ;; *) fail "no answer without a daemon: '$answer'" ;; esac
    stop
    lines=$(grep -c "Avahi\|announce" "$dir/alone")
    [ "$lines" -eq 1 ] || fail "not one line: $(cat "$dir/alone")"
    # On loopback nothing is announced, and nothing said about it.
    start loopback --listen 127.0.0.1:5025
    wait_for_line loopback "kteval: listening on 127.0.0.1:5025"
    sleep 1
    stop
    grep -q "Avahi\|announce" "$dir/loopback" && fail "loopback: $(cat "$dir/loopback")"
fi
rm -rf "$dir"
exit $((failures > 0))
