#!/usr/bin/env bash
# Starts or stops a JACK dummy server: the one of the ctest fixture `jack` (the Ardour session test)
# and scripts/check-play.sh's.
#   jack_server.sh start   starts "jackd --no-realtime -d dummy -r 44100" and waits until it answers
#   jack_server.sh stop    stops it
# The server name comes from JACK_DEFAULT_SERVER (default "vortane-test"), so a developer's own JACK
# server is left alone.
set -euo pipefail
name="${JACK_DEFAULT_SERVER:-vortane-test}"
state_dir="${TMPDIR:-/tmp}/vortane-jack-${name}"
pid_file="$state_dir/jackd.pid"
log_file="$state_dir/jackd.log"

stop() {
    if [[ -f "$pid_file" ]]; then
        local pid
        pid=$(cat "$pid_file")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$pid_file"
    fi
}

start() {
    command -v jackd >/dev/null || { echo "jackd is not installed (package jackd2)" >&2; exit 1; }
    mkdir -p "$state_dir"
    stop
    export JACK_NO_AUDIO_RESERVATION=1
    setsid jackd -n "$name" --no-realtime -d dummy -r 44100 -p 1024 >"$log_file" 2>&1 < /dev/null &
    echo $! >"$pid_file"
    if ! timeout 20 jack_wait -w -s "$name" >/dev/null 2>&1; then
        echo "JACK server '$name' did not come up; its log:" >&2
        cat "$log_file" >&2
        stop
        exit 1
    fi
}

case "${1:-}" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
