#!/usr/bin/env bash
# CPU seconds of two offline renders of the same length, one after the other in one run:
# vortane-render with all four walks on, and scsynth's non-real-time mode rendering the peer chain
# (Gendy1 -> MoogFF -> tanh, written by bench/peer_score.py). Prints both and their ratio.
#   bench/peer_render.sh [BUILD_DIR] [SECONDS]     (needs Debian's supercollider-server)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpu() { # user + system seconds of a command, its output discarded
    /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1
    awk '{ printf "%.2f", $1 + $2 }' "$work/time"
}

python3 "$root/bench/peer_score.py" "$seconds" "$work/peer.osc"
mkdir -p "$work/synthdefs"
vortane=$(cpu "$build/render/vortane-render" --seconds "$seconds" --seed 1 \
    --set "X1 On" --set "Y1 On" --set "X2 On" --set "Y2 On" "$work/vortane.wav")
rm -f "$work/vortane.wav"
peer=$(SC_SYNTHDEF_PATH="$work/synthdefs" cpu scsynth -o 1 -N "$work/peer.osc" _ "$work/peer.wav" 44100 WAV float)
[[ -s "$work/peer.wav" ]] || { echo "scsynth wrote no output" >&2; exit 1; }
printf 'vortane-render %s s: %s CPU s\nscsynth -N     %s s: %s CPU s\nratio (scsynth / vortane): %s\n' \
    "$seconds" "$vortane" "$seconds" "$peer" "$(awk -v a="$peer" -v b="$vortane" 'BEGIN { printf "%.2f", a / b }')"
