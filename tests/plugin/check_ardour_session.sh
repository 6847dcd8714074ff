#!/usr/bin/env bash
# Ardour's headless Lua tool runs ardour_session.lua on its dummy backend, in a home of its own with a
# copy of the VST3 bundle dated an hour back (Ardour takes a scan cache no newer than the module for stale).
#   check_ardour_session.sh PLUGIN_DIR PRESET_FILE PRESET_NAME
set -euo pipefail
plugins=$1 preset_file=$2 preset_name=$3
tool=$(command -v ardour7-lua || true)
scanner=/usr/lib/ardour7/ardour-vst3-scanner
[[ -n "$tool" && -x "$scanner" ]] || { echo "ardour7-lua or $scanner is not installed (package ardour)"; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
home=$scratch/home
mkdir -p "$home/.config/ardour7" "$home/.vst3"
echo '<Ardour><Config><Option name="hide-dummy-backend" value="0"/></Config></Ardour>' >"$home/.config/ardour7/config"
cp -r "$plugins/vst3/vortane.vst3" "$home/.vst3/"
find "$home/.vst3" -exec touch -d '1 hour ago' {} +
HOME=$home LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -q -f "$home/.vst3/vortane.vst3" 2>/dev/null

status=0
HOME=$home LV2_PATH=$plugins/lv2 VORTANE_SESSION_DIR=$scratch/session VORTANE_PRESET_FILE=$preset_file \
    VORTANE_PRESET_NAME=$preset_name timeout 120 stdbuf -oL "$tool" "$(dirname "$0")/ardour_session.lua" \
    >"$scratch/log" 2>&1 || status=$?
# The tool reports a failed script on its output, not in its exit status.
if ((status != 0)) || [[ "$(tail -n 1 "$scratch/log")" != "Ardour session OK" ]]; then
    echo "FAIL: ardour7-lua exited with status $status$( ((status == 124)) && echo ', hung')"
    cat "$scratch/log"
    exit 1
fi
grep -E '^(VST3|LV2):' "$scratch/log"
