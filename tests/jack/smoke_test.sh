#!/usr/bin/env bash
# The program on the real PortAudio and RtMidi libraries, on JACK dummy servers of the test's own
# (named after JACK_DEFAULT_SERVER), run by the program driver in its "jack" mode: slot 1 set to
# "07" in the controller window, the pitch held at one period of 44 voice frames (1002.3 Hz).
#   1. At 44.1, 48 and 96 kHz the window appears, the status bar names the rate, and the voice sounds
#      on "Vortane:out_0" at the pitch it has at 44.1 kHz (within 0.5 %). At 44.1 kHz a keyboard
#      (jack_midiseq: half a second on, half off) plays it through "Vortane MIDI:in", so the take
#      holds silence too; at 48 and 96 kHz the Play button does.
#   2. The server stops under the playing voice: the status bar says so; SIGTERM then ends the
#      program with exit code 0 and the settings written.
#   3. Logout: SIGTERM to server and program together, 20 times; then the server killed 50 and
#      300 ms before the program's SIGTERM, and 50 ms after it. Each time exit code 0 within 10 s and
#      the settings written.
#   smoke_test.sh DRIVER
set -uo pipefail
driver="$1"
base="${JACK_DEFAULT_SERVER:-vortane-test}"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT
export JACK_NO_AUDIO_RESERVATION=1 QT_QPA_PLATFORM=offscreen
fail=0
say() { echo "$1   $2"; [[ "$1" == ok ]] || fail=1; }

# server NAME RATE: a dummy server in the background (its pid in $server), up when this returns.
server() {
    export JACK_DEFAULT_SERVER="$1"
    setsid jackd -n "$1" --no-realtime -d dummy -r "$2" -p 1024 >"$work/jackd.log" 2>&1 </dev/null &
    server=$!
    timeout 20 jack_wait -w -s "$1" >/dev/null 2>&1 || { cat "$work/jackd.log"; exit 1; }
}

# start LABEL [play]: the driver in a home of its own, up when it has printed the window's line.
start() {
    home="$work/$1"
    mkdir -p "$home"
    env --default-signal=TERM HOME="$home" "$driver" jack "${2:-}" >"$home/out" 2>"$home/err" &
    pid=$!
    for _ in $(seq 100); do grep -q '^window' "$home/out" && return 0; sleep 0.1; done
    return 1
}

# finish LABEL: exit code 0 within ten seconds and the settings written.
finish() {
    local rc
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -9 "$pid" 2>/dev/null; then wait "$pid"; rc="still running after 10 s"; else wait "$pid"; rc=$?; fi
    if [[ "$rc" == 0 ]] && grep -q '^Item1 = 07' "$home/preferences.ini" 2>/dev/null; then
        say ok "$1: exit 0, settings written"
    else
        say FAIL "$1: exit $rc, preferences.ini: $(cat "$home/preferences.ini" 2>/dev/null)"; cat "$home/err"
    fi
}

# The pitch of a take: upward zero crossings, each armed by a dip below -10 % of the peak and placed
# between samples, give the periods; the mean of those near their median (the gaps of a gated take
# left out) is the period. Prints pitch (Hz), peak and the longest run of silence (s).
analyse() {
    python3 - "$1" <<'EOF'
import statistics, struct, sys, wave
w = wave.open(sys.argv[1])
rate, n = w.getframerate(), w.getnframes()
x = struct.unpack("<%dh" % n, w.readframes(n))
peak = max(map(abs, x), default=0)
ups, armed, run, longest = [], False, 0, 0
for i in range(1, n):
    run = run + 1 if x[i] == 0 else 0
    longest = max(longest, run)
    armed = armed or x[i] < -0.1 * peak
    if armed and x[i - 1] < 0 <= x[i]:
        ups.append(i - 1 + x[i - 1] / (x[i - 1] - x[i]))
        armed = False
d = [b - a for a, b in zip(ups, ups[1:])]
m = statistics.median(d) if d else 1
kept = [p for p in d if abs(p - m) < 0.1 * m]
print("%.3f %.3f %.2f" % (rate / statistics.fmean(kept) if kept else 0, peak / 32768, longest / rate))
EOF
}

# 1 and 2: the three rates.
reference=
for rate in 44100 48000 96000; do
    server "$base-$rate" "$rate"
    keys=
    if ((rate == 44100)); then
        jack_midiseq keys "$rate" 0 60 $((rate / 2)) >/dev/null 2>&1 &
        keys=$!
        for _ in $(seq 50); do jack_lsp 2>/dev/null | grep -q '^keys:' && break; sleep 0.1; done
    fi
    start "$rate" $( ((rate == 44100)) || echo play) || say FAIL "$rate Hz: no window; $(cat "$home/err")"
    grep -q '^window "Vortane" shown$' "$home/out" && say ok "$rate Hz: window shown" || say FAIL "$rate Hz: no window shown"
    expected="notice $rate Hz"
    ((rate == 44100)) || expected+=" (voice resampled from 44100 Hz)"
    for _ in $(seq 50); do grep -qxF "$expected" "$home/out" && break; sleep 0.1; done
    grep -qxF "$expected" "$home/out" && say ok "$rate Hz: $expected" || say FAIL "$rate Hz: $(grep notice "$home/out")"
    sleep 0.3
    timeout 10 jack_rec -f "$work/$rate.wav" -d 1.5 Vortane:out_0 >/dev/null 2>&1
    read -r pitch peak silence < <(analyse "$work/$rate.wav")
    echo "     $rate Hz: pitch $pitch Hz, peak $peak, longest silence $silence s"
    [[ -n "$keys" ]] && kill "$keys"
    if ((rate == 44100)); then
        reference=$pitch
        jack_lsp | grep -qx 'Vortane MIDI:in' && python3 -c "import sys; sys.exit(not ($peak > 0.05 and $silence > 0.2))" &&
            say ok "the keyboard gates the voice" || say FAIL "the keyboard does not gate the voice"
    elif python3 -c "import sys; sys.exit(not ($peak > 0.05 and abs($pitch / $reference - 1) < 0.005))"; then
        say ok "$rate Hz: the voice sounds at the pitch of 44.1 kHz ($pitch / $reference Hz)"
    else
        say FAIL "$rate Hz: pitch $pitch Hz, peak $peak against $reference Hz at 44.1 kHz"
    fi
    if ((rate == 96000)); then
        kill "$server"
        for _ in $(seq 30); do grep -q '^notice Audio output stopped' "$home/out" && break; sleep 0.1; done
        grep -qx 'notice Audio output stopped: choose an audio device' "$home/out" &&
            say ok "server lost: shown" || say FAIL "server lost: not shown"
    else
        kill "$server"
    fi
    kill -TERM "$pid"
    finish "$rate Hz"
    wait "$server" 2>/dev/null
done

# 3: logout. The offset is how long before the program's SIGTERM the server gets its own.
for offset in $(printf '0 %.0s' $(seq 20)) 50 300 -50; do
    server "$base-logout" 44100
    start logout play || say FAIL "logout: no window"
    if ((offset == 0)); then
        kill -TERM "$server" "$pid"
    elif ((offset > 0)); then
        kill -TERM "$server"; sleep "0.$(printf '%03d' "$offset")"; kill -TERM "$pid"
    else
        kill -TERM "$pid"; sleep "0.$(printf '%03d' $((-offset)))"; kill -TERM "$server"
    fi
    when="$offset ms before"
    ((offset >= 0)) || when="$((-offset)) ms after"
    finish "logout, server stopped $when"
    wait "$server" 2>/dev/null
    rm -rf "$home"
done
exit $fail
