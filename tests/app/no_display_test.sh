#!/usr/bin/env bash
# Without a display the program prints one line on stderr and exits with code 0, both when no
# display is named and when the named X display cannot be reached.
set -uo pipefail
app="$1"
fail=0
check() {
    local label="$1"; shift
    local err rc lines
    err=$(env -i PATH="$PATH" HOME="${HOME:-/tmp}" "$@" "$app" 2>&1 >/dev/null)
    rc=$?
    lines=$(printf '%s' "$err" | grep -c '')
    if [[ $rc -ne 0 || $lines -ne 1 || "$err" != *"cannot open a display"* ]]; then
        echo "FAIL $label: exit $rc, $lines stderr lines:"; printf '%s\n' "$err"; fail=1
    else
        echo "ok   $label: $err"
    fi
}
check "no display named"
check "unreachable X display" DISPLAY=:97
exit $fail
