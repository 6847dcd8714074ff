#!/usr/bin/env bash
# The LV2 editor in jalv.gtk3 (through suil) with a note held: it shows (picture in OUT_DIR), its curve moves,
# a drag of Master Volume to 0 silences the plugin through the host, and the host's preset moves its controls.
# Usage: check_editor_jalv.sh LV2_PATH OUT_DIR JACK_SERVER
set -euo pipefail
export LV2_PATH=$1 JACK_DEFAULT_SERVER=$3-editor GSETTINGS_BACKEND=memory
out=$2 work=$(mktemp -d)
export HOME=$work XDG_DATA_HOME=$work/data
pids=()
# The server stops once its clients are gone: stopped under killed clients it stayed in JACK's table of servers.
cleanup() {
    kill "${pids[@]:1}" 2>/dev/null
    wait "${pids[@]:1}" 2>/dev/null
    kill "${pids[0]}" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 >"$work/jackd.log" 2>&1 & pids+=($!)
for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
# The curve walks (Y1, X2, Y2 on) while C4 is held, struck again every second.
jalv.gtk3 -c y1_on=1 -c x2_on=1 -c y2_on=1 urn:vortane:vortane >"$work/jalv.log" 2>&1 & pids+=($!)
jack_midiseq seq 48000 0 60 47900 >/dev/null 2>&1 & pids+=($!)

# The editor: a 960x640 child window of jalv's, below its menu bar (not the editor's own window while
# it still sits at the screen's corner before jalv embeds it); its top left is where layout units start.
for _ in $(seq 100); do
    geometry=$(xwininfo -root -tree | grep -o ' 960x640+[0-9]*+[0-9]*  +[0-9]*+[1-9][0-9]*' | head -1) || true
    [[ -n $geometry ]] && jack_connect seq:out Vortane:lv2_events_in 2>/dev/null && break
    sleep 0.2
done
[[ -n $geometry ]] || { cat "$work/jalv.log"; fail "jalv.gtk3 shows no editor"; }
read -r x0 y0 <<<"$(sed -E 's/.*\+([0-9]+)\+([0-9]+)$/\1 \2/' <<<"$geometry")"
at() { echo $((x0 + $1)) $((y0 + $2)); } # a point of the layout on the screen
shot() { import -window root "$work/$1.png"; }
# Pixels that differ between two pictures within a layout rectangle W H X Y.
differ() { compare -metric AE -crop "$3x$4+$((x0 + $5))+$((y0 + $6))" "$work/$1.png" "$work/$2.png" null: 2>&1 || true; }
rms() { # of a second of the output
    jack-record -n 1 -p Vortane:lv2_out -t 1 "$work/$1.wav" >/dev/null 2>&1
    python3 -c 'import array, math, sys; b = open(sys.argv[1], "rb").read(); b = b[b.index(b"data") + 8:]
a = array.array("f", b[:len(b) // 4 * 4]); print(math.sqrt(sum(x * x for x in a) / max(len(a), 1)))' "$work/$1.wav"
}

sleep 2
shot a
sleep 1
shot b
cp "$work/b.png" "$out/editor-jalv.png"
moved=$(differ a b 344 236 18 34)
loud=$(rms loud)
xdotool mousemove $(at 870 155) mousedown 1 mousemove $(at 830 155) mousemove $(at 780 155) mouseup 1
sleep 2.5 # heard within a note or two
quiet=$(rms quiet)
shot c
xdotool mousemove 70 12 click 1 sleep 0.7 mousemove 106 113 click 1 sleep 1 # Presets, the second sound
shot d
changed=$(differ c d 574 590 378 10)
echo "curve pixels moved: $moved; RMS before/after Master Volume dragged to 0: $loud $quiet; preset's pixels: $changed"
((moved > 50)) || fail "the curve did not move while a note was held"
awk "BEGIN { exit !($loud > 0.01 && $quiet < $loud / 100) }" || fail "the drag did not reach the plugin through the host"
((changed > 500)) || fail "a preset the host loaded did not move the editor's controls"
echo "jalv.gtk3 editor checks passed (picture: $out/editor-jalv.png)"
