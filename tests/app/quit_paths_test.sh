#!/usr/bin/env bash
# Every way to end the program besides the close box ends it like the close box: SIGTERM, SIGINT
# and SIGHUP (also while the controller window is open) and the loss of the X display. In each run
# the driver first changes a controller assignment; the process must then exit with 0 within ten
# seconds and the settings file must hold the change. Without any display the program itself
# exits at once with 0 and one line on stderr.
#   quit_paths_test.sh DRIVER APP  (DRIVER: program_driver, the program on fake audio and MIDI;
#                                   APP: the program)
set -uo pipefail
driver="$1" app="$2"
work=$(mktemp -d)
xvfb_pid=
trap '[[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
fail=0

# start LABEL MODE [VAR=VALUE...]: runs the driver in the background in a home of its own, with
# the three signals at their defaults (a shell script's background job ignores SIGINT), and waits
# until it says "ready".
start() {
    label="$1" mode="$2"
    shift 2
    home="$work/$label"
    mkdir -p "$home"
    env --default-signal=TERM,INT,HUP HOME="$home" "$@" "$driver" "$mode" >"$home/out" 2>"$home/err" &
    pid=$!
    for _ in $(seq 150); do
        grep -q '^ready' "$home/out" && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    return 1
}

# finish: waits up to ten seconds for the driver's exit, then judges exit code and settings file.
finish() {
    local rc
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -9 "$pid" 2>/dev/null; then wait "$pid"; rc="still running after 10 s"; else wait "$pid"; rc=$?; fi
    if [[ "$rc" == 0 ]] && grep -q '^Item1 = 07' "$home/preferences.ini" 2>/dev/null; then
        echo "ok   $label"
    else
        echo "FAIL $label: exit $rc; preferences.ini:"; cat "$home/preferences.ini" 2>/dev/null
        echo "     output:"; cat "$home/out" "$home/err"
        fail=1
    fi
}

for run in TERM:closed INT:closed HUP:closed TERM:open; do
    signal=${run%:*} mode=${run#*:}
    if start "SIG$signal-$mode" "$mode" QT_QPA_PLATFORM=offscreen; then kill -s "$signal" "$pid"; fi
    finish
done

# The X server goes away under the program.
if command -v Xvfb >/dev/null; then
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
    if start display-lost closed QT_QPA_PLATFORM=xcb DISPLAY=":$(head -n1 "$work/display")"; then kill "$xvfb_pid"; fi
    finish
else
    echo "skip display-lost: Xvfb is not installed"
fi

# No display named, and a named X display that cannot be reached.
for display in "" :97; do
    err=$(env -i PATH="$PATH" HOME="$work" ${display:+DISPLAY=$display} "$app" 2>&1 >/dev/null)
    rc=$?
    if [[ $rc -eq 0 && $(printf '%s' "$err" | grep -c '') -eq 1 && "$err" == *"cannot open a display"* ]]; then
        echo "ok   no display ${display:-named}: $err"
    else
        echo "FAIL no display ${display:-named}: exit $rc, stderr:"; printf '%s\n' "$err"; fail=1
    fi
done
exit $fail
