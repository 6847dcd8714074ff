#!/usr/bin/env bash
# CPU seconds of offline renders of the same length, one after the other in one run, with all four
# walks on against scsynth's non-real-time mode rendering the peer chain (Gendy1 -> MoogFF -> tanh,
# written by bench/peer_score.py): vortane-render's one voice against one chain, then a chord of
# sixteen notes held (--midi, sixteen voices) against sixteen chains. Prints each and the share of
# scsynth's time vortane-render takes.
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
walks=(--set "X1 On" --set "Y1 On" --set "X2 On" --set "Y2 On")
mkdir -p "$work/synthdefs"

for voices in 1 16; do
    if ((voices == 1)); then
        python3 "$root/bench/peer_score.py" "$seconds" "$work/peer.osc"
        vortane=$(cpu "$build/render/vortane-render" --seconds "$seconds" --seed 1 "${walks[@]}" "$work/vortane.wav")
    else
        python3 "$root/bench/peer_score.py" "$seconds" "$work/peer.osc" "$voices" "$work/chord.mid"
        vortane=$(cpu "$build/render/vortane-render" --midi "$work/chord.mid" --seconds "$seconds" --seed 1 \
            --set "Voices=$voices" "${walks[@]}" "$work/vortane.wav")
    fi
    rm -f "$work/vortane.wav" "$work/peer.wav"
    peer=$(SC_SYNTHDEF_PATH="$work/synthdefs" cpu scsynth -o 1 -N "$work/peer.osc" _ "$work/peer.wav" 44100 WAV float)
    [[ -s "$work/peer.wav" ]] || { echo "scsynth wrote no output" >&2; exit 1; }
    printf '%2d voices, %s s: vortane-render %s CPU s, scsynth -N %s CPU s: %s of scsynth'"'"'s time\n' \
        "$voices" "$seconds" "$vortane" "$peer" "$(awk -v a="$vortane" -v b="$peer" 'BEGIN { printf "%.3f", a / b }')"
done
