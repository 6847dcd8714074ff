#!/usr/bin/env bash
# The desktop entry validates without errors, warnings or hints and starts `vortane` from the audio menus.
#   check_desktop_entry.sh FILE.desktop
set -euo pipefail
entry=$1

report=$(desktop-file-validate "$entry" 2>&1) || { echo "$report"; exit 1; }
if [[ -n "$report" ]]; then
    echo "desktop-file-validate complains:"
    echo "$report"
    exit 1
fi

expect() {
    grep -qxF "$1" "$entry" || { echo "missing line: $1"; exit 1; }
}
expect "[Desktop Entry]"
expect "Type=Application"
expect "Name=Vortane"
expect "Exec=vortane"
expect "Icon=vortane"
expect "Terminal=false"
expect "Categories=AudioVideo;Audio;Midi;"
echo "desktop entry OK"
