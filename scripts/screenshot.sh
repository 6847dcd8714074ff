#!/usr/bin/env bash
# Takes screenshots on a virtual X server: the main window, docs/screenshot-main.png, and the
# controller window opened from its "?" menu, docs/screenshot-controllers.png.
#   scripts/screenshot.sh [path/to/vortane]     (default: build/app/vortane)
# Audio goes to a JACK dummy server of its own, so no sound card is needed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
app="${1:-$root/build/app/vortane}"
out="$root/docs/screenshot-main.png"
out_controllers="$root/docs/screenshot-controllers.png"
mkdir -p "$root/docs"
[[ -x "$app" ]] || { echo "no application at $app (build it first)" >&2; exit 1; }

export JACK_DEFAULT_SERVER="vortane-shot-$$"
export JACK_NO_AUDIO_RESERVATION=1
setsid jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 44100 -p 1024 >/dev/null 2>&1 </dev/null &
jack_pid=$!
trap 'kill "$jack_pid" 2>/dev/null || true' EXIT
timeout 20 jack_wait -w -s "$JACK_DEFAULT_SERVER" >/dev/null

export APP="$app" OUT="$out" OUT_CONTROLLERS="$out_controllers"
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    window() { # the id of the window titled $1 once it shows (up to $2 tries of 0.2 s), $3 s later
        for _ in $(seq "$2"); do
            xwininfo -root -tree 2>/dev/null | grep -q "\"$1\"" && break
            sleep 0.2
        done
        sleep "$3"
        xwininfo -root -tree | awk -v t="\"$1\"" "index(\$0, t) {print \$1; exit}"
    }
    "$APP" & pid=$!
    id=$(window Vortane 50 1)
    import -window "$id" "$OUT"
    # The first menu ("Presets") opened by a click, then Right to the "?" menu, which opens with its
    # first item highlighted; its third item is Midi Controllers.
    xdotool mousemove --window "$id" 8 8 click 1
    sleep 0.5
    xdotool key Right
    sleep 0.3
    xdotool key Down Down Return
    cid=$(window "Vortane CC Midi Controllers" 25 0.5)
    import -window "$cid" "$OUT_CONTROLLERS"
    kill "$pid"; wait "$pid" 2>/dev/null || true
'
echo "wrote $out and $out_controllers"
