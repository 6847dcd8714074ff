#!/usr/bin/env bash
# Runs the README's first command the way a user does, on a virtual X server: scripts/play.sh builds
# build-release and starts Vortane; the check waits for a window, presses Escape and expects exit
# status 0 from play.sh (which execs the program). Two runs:
#   1. a JACK dummy server of the check's own gives PortAudio an output device: the main window
#      "Vortane" must appear;
#   2. no JACK server: the main window (where a sound card exists) or the "PortAudio" message box
#      (where none does) must appear.
# Each run is bounded by VORTANE_PLAY_TIMEOUT seconds (default 1800, the first build included). A
# warning in the build fails the check, though not the build.
# What play.sh and Vortane print goes to a log, shown when a run fails. The program runs with a
# scratch home folder, so the user's preferences.ini is left alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
limit=${VORTANE_PLAY_TIMEOUT:-1800}
exit_limit=20

fail() {
    echo "check-play: $*" >&2
    if [[ -n "${log:-}" && -f "$log" ]]; then
        echo "--- last lines of play.sh's output and Vortane's stderr ---" >&2
        tail -n 150 "$log" >&2
    fi
    exit 1
}

# The id of the viewable top-level window with exactly this title, if any.
find_window() {
    local id
    for id in $(xwininfo -root -tree | awk -v title="\"$1\":" '$2 == title { print $1 }'); do
        if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "$id"
            return
        fi
    done
}

# On the virtual display: play.sh in its own process group, then the wait for a window, Escape and
# the exit status. $1 is "main" (only the main window will do) or "either".
run_on_display() {
    local expect=$1 pid window="" status=0 deadline=$((SECONDS + limit))
    set -m # play.sh gets a process group of its own, so that a stuck build can be ended whole
    "$root/scripts/play.sh" >"$log" 2>&1 </dev/null &
    pid=$!
    set +m
    trap 'kill -- -"$pid" 2>/dev/null || true' EXIT
    while [[ -z "$window" ]]; do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" || status=$?
            fail "play.sh ended with status $status before any window appeared"
        fi
        ((SECONDS < deadline)) || fail "no window within $limit s"
        window=$(find_window Vortane)
        if [[ -z "$window" && -n "$(find_window PortAudio)" ]]; then
            [[ "$expect" == either ]] || fail "the \"PortAudio\" message box appeared instead of the main window"
            window=$(find_window PortAudio)
        fi
        [[ -n "$window" ]] || sleep 1
    done
    echo "window \"$(xwininfo -id "$window" | sed -n 's/.*Window id: [^"]*"\(.*\)"$/\1/p')\" after $((SECONDS + limit - deadline)) s"
    xdotool windowfocus --sync "$window" key Escape
    deadline=$((SECONDS + exit_limit))
    while kill -0 "$pid" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "still running $exit_limit s after Escape"
        sleep 0.2
    done
    wait "$pid" || status=$?
    trap - EXIT
    ((status == 0)) || fail "exit status $status after Escape"
}

if [[ "${1:-}" == --on-display ]]; then
    log=$3
    run_on_display "$2"
    exit 0
fi

for tool in xvfb-run xwininfo xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps.sh --test"
done
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vortane-play.XXXXXX")
server="${VORTANE_JACK_SERVER:-vortane-test}-play"
stop_server() { JACK_DEFAULT_SERVER="$server" "$root/tests/jack/jack_server.sh" stop || true; }
trap 'stop_server; rm -rf "$scratch"' EXIT

# The compiler cache stays where it was before the home folder moves.
if command -v ccache >/dev/null; then
    CCACHE_DIR=${CCACHE_DIR:-$(ccache --get-config cache_dir)}
    export CCACHE_DIR
fi
export HOME="$scratch/home" JACK_NO_AUDIO_RESERVATION=1
# The program shows itself on the virtual X server, whatever platform the caller's tests chose.
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
mkdir -p "$HOME"

# -a takes the first free display number from -n on; a random start keeps parallel checks apart.
on_display() {
    xvfb-run -n $((100 + RANDOM % 400)) -a -s "-screen 0 1280x1024x24" "$0" --on-display "$@"
}

echo "play.sh with a JACK dummy server \"$server\":"
JACK_DEFAULT_SERVER="$server" "$root/tests/jack/jack_server.sh" start
JACK_DEFAULT_SERVER="$server" on_display main "$scratch/with-jack.log"
stop_server
# The build does not stop on a warning, but the check does: a user's compiler may turn it into one.
if grep -q ': warning:' "$scratch/with-jack.log"; then
    grep -A3 ': warning:' "$scratch/with-jack.log" >&2
    fail "the Release build printed warnings"
fi

echo "play.sh with no JACK server:"
JACK_DEFAULT_SERVER="$server-absent" on_display either "$scratch/without-jack.log"
echo "play.sh: both runs ended with status 0"
