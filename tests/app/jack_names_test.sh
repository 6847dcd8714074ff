#!/usr/bin/env bash
# The real program on the JACK server named by JACK_DEFAULT_SERVER: its audio client is exactly
# "Vortane" (patchbay rules name it) and its MIDI client "Vortane MIDI", and SIGTERM, SIGINT and
# SIGHUP each end it with exit code 0 within thirty seconds (the program bounds each audio call
# at shutdown by 8 s; a loaded JACK dummy server can be slow to let a client go).
#   jack_names_test.sh VORTANE
set -uo pipefail
app="$1"
work=$(mktemp -d)
# A MIDI keyboard (one short note a second): the program opens the first MIDI port it lists.
jack_midiseq keys 44100 0 60 100 >/dev/null 2>&1 &
keys_pid=$!
trap 'kill "$keys_pid" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do timeout 5 jack_lsp 2>/dev/null | grep -q '^keys:' && break; sleep 0.1; done
fail=0

expected=('Vortane:out_0')
# Without an ALSA sequencer the MIDI input is JACK's as well.
[[ -e /dev/snd/seq ]] || expected+=('Vortane MIDI:in')

for signal in TERM INT HUP; do
    home="$work/$signal"
    mkdir -p "$home"
    env --default-signal=TERM,INT,HUP HOME="$home" QT_QPA_PLATFORM=offscreen "$app" >"$home/out" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
        ports=$(timeout 5 jack_lsp 2>/dev/null) # jack_lsp itself can deadlock in jack_client_close
        missing=()
        for port in "${expected[@]}"; do grep -qx "$port" <<<"$ports" || missing+=("$port"); done
        ((${#missing[@]} == 0)) && break
        sleep 0.1
    done
    if [[ "$signal" == TERM ]]; then # the names once; later runs only need the program up
        if ((${#missing[@]} == 0)); then
            echo "ok   ports ${expected[*]}"
        else
            echo "FAIL no port ${missing[*]}; the server lists:"; printf '%s\n' "$ports"; fail=1
        fi
    fi
    kill -s "$signal" "$pid"
    for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -9 "$pid" 2>/dev/null; then wait "$pid"; rc="still running after 30 s"; else wait "$pid"; rc=$?; fi
    if [[ "$rc" == 0 ]]; then
        echo "ok   SIG$signal: exit 0"
    else
        echo "FAIL SIG$signal: exit $rc"; cat "$home/out"; fail=1
    fi
done
exit $fail
