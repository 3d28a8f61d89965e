#!/bin/sh
# Catches file names that are not UTF-8 (here Latin-1 "é") not reaching the
# firmware search byte for byte: the program's own folder and --firmware,
# absolute or relative. Usage: non_utf8_paths.sh KTEVAL HEX_FILE WORK_DIR
set -u
e=$(printf '\351')
root="$(cd "$3" && pwd)/non-utf8-$$" || exit 1
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/bin$e" "$root/data" || exit 1
ln "$1" "$root/bin$e/kteval" 2>/dev/null || cp "$1" "$root/bin$e/kteval" || exit 1
cp "$2" "$root/bin$e/KT4421SPI.hex" && cp "$2" "$root/f$e.hex" || exit 1
failures=0
# expect FILE ARGS...: --check reports FILE as the firmware found, and exits 1
# (no board is connected here).
expect() {
    file=$1
    shift
    out=$(cd "$root" && env -u KTEVAL_USB_IDS XDG_DATA_HOME="$root/data" XDG_DATA_DIRS="$root/data" \
        XDG_CACHE_HOME="$root/cache" HOME="$root" "$root/bin$e/kteval" --check "$@")
    status=$?
    if ! printf '%s\n' "$out" | grep -qF "  $file (Intel HEX, " || [ "$status" -ne 1 ]; then
        echo "FAIL: $* (exit status $status): $file not reported as found"
        printf '%s\n' "$out" | sed -n '1,8p'
        failures=$((failures + 1))
    fi
}
expect "$root/bin$e/KT4421SPI.hex"
expect "$root/f$e.hex" --firmware "$root/f$e.hex"
expect "$root/f$e.hex" "--firmware=f$e.hex"
exit $((failures > 0))
