#!/usr/bin/env bash
# The layers include only downwards: base <- stochastic <- engine <- control <- presets <- app, render,
# plugin (midi sits on control beside presets).
# No toolkit or device header (Qt, PortAudio, RtMidi, JACK, ALSA, libsndfile) below app/ and midi/'s
# device code. Prints every include against the direction and fails if there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
status=0

check() { # folder, allowed project folders, whether device headers are allowed
    local folder=$1 allowed=$2 devices=$3 file line target
    while IFS=: read -r file line target; do
        local dir=${target%%/*}
        if [[ " $allowed " != *" $dir "* ]]; then
            echo "$file:$line includes $target, against the layers"
            status=1
        fi
    done < <(grep -HnoE '^#include "[a-z_]+/[^"]+"' "$root/$folder"/*.h "$root/$folder"/*.cpp 2>/dev/null |
        sed -E 's/#include "([^"]+)"/\1/')
    if [[ $devices == no ]]; then
        if grep -HnE '^#include <(Q[A-Za-z]*|portaudio\.h|pa_[a-z_]+\.h|rtmidi/.*|RtMidi\.h|jack/.*|alsa/.*|sndfile\.h.*)>' \
            "$root/$folder"/*.h "$root/$folder"/*.cpp 2>/dev/null; then
            echo "$folder/ includes a toolkit or device header"
            status=1
        fi
    fi
}

check base "base" no
check stochastic "base stochastic" no
check engine "base stochastic engine" no
check control "base stochastic engine control" no
check presets "base stochastic engine control presets" no
check render "base stochastic engine control midi presets render" yes
check app "base stochastic engine control presets midi app" yes
check midi "base stochastic engine control midi" yes
check plugin "base stochastic engine control presets plugin" yes
# midi/'s core (handler, slots, settings) stays free of device headers; only its window and the
# RtMidi input may include them.
for file in "$root"/midi/*.h "$root"/midi/*.cpp; do
    case $(basename "$file") in controller_window.* | rtmidi_input.*) continue ;; esac
    if grep -HnE '^#include <(Q[A-Za-z]*|rtmidi/.*|RtMidi\.h|jack/.*|alsa/.*)>' "$file"; then
        status=1
    fi
done
exit $status
