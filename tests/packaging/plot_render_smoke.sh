#!/bin/sh
# The user guide's plot script, run as the guide runs it: a render drawn whole and small, and a
# chord's pitch log; each must give a picture of the stated size.
# Usage: plot_render_smoke.sh PYTHON VORTANE_RENDER MIDI_FILE
set -eu
python=$1 render=$2 chord=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
size() { "$python" -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$1"; }
MPLBACKEND=Agg "$python" scripts/plot_render.py --render "$render" --seed 7 --seconds 2 "$dir/a.wav" -o "$dir/a.png"
MPLBACKEND=Agg "$python" scripts/plot_render.py --small "$dir/a.wav" -o "$dir/small.png"
"$render" --seed 7 --midi "$chord" --pitch-log "$dir/chord.csv" "$dir/chord.wav"
MPLBACKEND=Agg "$python" scripts/plot_render.py "$dir/chord.wav" --pitch-log "$dir/chord.csv" -o "$dir/chord.png"
[ "$(size "$dir/a.png")" = "1000 800" ] && [ "$(size "$dir/small.png")" = "480 240" ] &&
    [ "$(size "$dir/chord.png")" = "1000 800" ] || { echo "a picture has the wrong size" >&2; exit 1; }
