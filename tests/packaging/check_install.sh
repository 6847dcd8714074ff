#!/usr/bin/env bash
# `cmake --install` into a scratch DESTDIR with prefix /usr lays out what a desktop needs: the programs
# (when built), the desktop entry, a well-formed SVG icon and manual pages that render without warnings.
#   check_install.sh CMAKE BUILD_DIR HAVE_APP(0|1) HAVE_RENDER(0|1)
set -euo pipefail
cmake=$1 build=$2 have_app=$3 have_render=$4

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
DESTDIR="$scratch" "$cmake" --install "$build" --prefix /usr >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; exit 1; }
root=$scratch/usr
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

need_file() { [[ -f "$root/$1" ]] || fail "not installed: usr/$1"; }
need_program() {
    [[ -x "$root/bin/$1" ]] || { fail "not installed or not executable: usr/bin/$1"; return; }
    echo "installed usr/bin/$1"
}

[[ "$have_app" == 1 ]] && need_program vortane
[[ "$have_render" == 1 ]] && need_program vortane-render
need_file share/applications/vortane.desktop
need_file share/icons/hicolor/scalable/apps/vortane.svg
need_file share/man/man1/vortane.1
need_file share/man/man1/vortane-render.1
need_file share/vortane/presets/falling-sirens.vpreset
presets=("$root"/share/vortane/presets/*.vpreset)
((${#presets[@]} >= 10)) || fail "only ${#presets[@]} factory presets installed"
((failures == 0)) || exit 1

# The installed program runs from its new place (no build-tree paths baked in).
if [[ "$have_render" == 1 ]]; then
    "$root/bin/vortane-render" --help >/dev/null || fail "installed vortane-render --help failed"
    # ...and finds the factory presets beside it, by name.
    "$root/bin/vortane-render" --preset "Falling Sirens" --seconds 0.1 --seed 1 "$scratch/sirens.wav" >/dev/null ||
        fail "installed vortane-render cannot find the factory preset \"Falling Sirens\""
fi

# The icon is well-formed XML whose root is an <svg> element with a square viewBox.
icon=$root/share/icons/hicolor/scalable/apps/vortane.svg
if command -v xmllint >/dev/null; then
    xmllint --noout "$icon" || fail "the icon is not well-formed XML"
fi
python3 - "$icon" <<'PY' || fail "the icon is not a square SVG"
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "{http://www.w3.org/2000/svg}svg", root.tag
x, y, w, h = (float(v) for v in root.get("viewBox").split())
assert w == h > 0, root.get("viewBox")
assert len(list(root.iter("{http://www.w3.org/2000/svg}path"))) >= 1
PY

# Manual pages: groff reports nothing at its strictest warning level, and man shows the expected sections.
for page in vortane vortane-render; do
    file=$root/share/man/man1/$page.1
    if command -v groff >/dev/null; then
        warnings=$(groff -ww -z -man -Tutf8 "$file" 2>&1)
        [[ -z "$warnings" ]] || fail "groff warns about $page.1: $warnings"
    fi
    if command -v man >/dev/null; then
        text=$(MANWIDTH=80 man -l "$file" 2>&1 | sed 's/.\x08//g')
    else
        text=$(grep -v '^\.' "$file")
    fi
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" "SEE ALSO"; do
        grep -q "^$section" <<<"$text" || fail "$page.1 has no $section section"
    done
    grep -q "^ *$page - " <<<"$text" || fail "$page.1 does not name $page"
done

((failures == 0)) || exit 1
echo "install layout OK"
