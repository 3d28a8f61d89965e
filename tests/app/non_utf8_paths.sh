#!/bin/sh
# File names that are not UTF-8 (here Latin-1 "é") reach the firmware search
# byte for byte: the program's own folder and --firmware, absolute or relative.
# Usage: non_utf8_paths.sh KTEVAL HEX_FILE WORK_DIR
set -u
kteval=$1 hex=$2
work=$(cd "$3" && pwd) || exit 1
e=$(printf '\351')
root="$work/non-utf8-$$"
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/bin$e" "$root/data" || exit 1
ln "$kteval" "$root/bin$e/kteval" 2>/dev/null || cp "$kteval" "$root/bin$e/kteval" || exit 1
cp "$hex" "$root/bin$e/KT4421SPI.hex" && cp "$hex" "$root/f$e.hex" || exit 1

failures=0
# expect WHAT FILE ARGS...: --check reports FILE as the firmware found.
expect() {
    what=$1 file=$2
    shift 2
    out=$(cd "$root" && env -u KTEVAL_USB_IDS XDG_DATA_HOME="$root/data" \
        XDG_DATA_DIRS="$root/data" XDG_CACHE_HOME="$root/cache" HOME="$root" \
        "$root/bin$e/kteval" --check "$@")
    status=$?
    if ! printf '%s\n' "$out" | grep -qF "  $file (Intel HEX, "; then
        echo "FAIL: $what: $file not reported as found"
        printf '%s\n' "$out" | sed -n '1,8p'
        failures=$((failures + 1))
    fi
    # No board is connected here, so the board is never ready.
    if [ "$status" -ne 1 ]; then
        echo "FAIL: $what: exit status $status, expected 1"
        failures=$((failures + 1))
    fi
}

expect "beside the program" "$root/bin$e/KT4421SPI.hex"
expect "--firmware FILE" "$root/f$e.hex" --firmware "$root/f$e.hex"
expect "--firmware=FILE, relative" "$root/f$e.hex" "--firmware=f$e.hex"
exit $((failures > 0))
