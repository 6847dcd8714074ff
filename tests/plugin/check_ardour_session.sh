#!/usr/bin/env bash
# Ardour's headless Lua session tool makes a session with Vortane on a MIDI track, saves it, and a
# second run loads it and finds the same parameter values. Needs the `jack` fixture's server.
#   check_ardour_session.sh LV2_DIR
set -euo pipefail
lv2_dir=$1
tool=$(command -v ardour7-lua || true)
[[ -n "$tool" ]] || { echo "ardour7-lua is not installed (package ardour)"; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
script=$(dirname "$0")/ardour_session.lua
run_tool() {
    LV2_PATH="$lv2_dir" VORTANE_SESSION_DIR="$scratch/session" VORTANE_SESSION_MODE=$1 \
        timeout 120 "$tool" "$script" >"$scratch/$1.log" 2>&1
}
for mode in create check; do
    # On a loaded JACK dummy server the tool itself sometimes crashes in JACK's notification thread
    # ("Cannot callback the server"): a run it did not survive (killed by a signal) is tried again.
    for attempt in 1 2 3; do
        [[ "$mode" == create ]] && rm -rf "$scratch/session"
        status=0
        run_tool "$mode" || status=$?
        ((status > 128 && status != 124)) || break
        echo "ardour7-lua ($mode) died by signal $((status - 128)), attempt $attempt"
    done
    # The tool reports a failed script on its output, not in its exit status.
    if ((status != 0)) || grep -q '^Error:' "$scratch/$mode.log"; then
        echo "FAIL: ardour7-lua ($mode):"
        cat "$scratch/$mode.log"
        exit 1
    fi
    grep -E '^session ' "$scratch/$mode.log"
done
grep -rqs 'seed=' "$scratch/session" || { echo "FAIL: the voice's seed is not in the saved session"; exit 1; }
echo "Ardour session OK"
