#!/usr/bin/env bash
# What a desktop gets from this build, checked where it lands:
#   check_package.sh install CMAKE BUILD_DIR HAVE_APP HAVE_RENDER HAVE_PLUGINS
#     `cmake --install` into a scratch DESTDIR with prefix /usr: the files below, plugin modules that export their
#     entry alone and link no toolkit, a desktop entry that validates cleanly and starts `vortane` from the audio
#     menus, a square SVG icon, manual pages that render without warnings, and a vortane-render that runs from its
#     new place and finds the factory presets.
#   check_package.sh deb CPACK BUILD_DIR HAVE_APP HAVE_RENDER HAVE_PLUGINS      (exit 77: no application, skipped)
#     `cpack -G DEB`: package vortane in section sound whose Depends (from dpkg-shlibdeps) pull in the runtime
#     libraries and the captions' font, holding the same files and the plugin bundles where hosts look for them; apt can install it.
set -euo pipefail
mode=$1 tool=$2 build=$3 have_app=$4 have_render=$5 have_plugins=${6:-0}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
quiet() { "$@" >"$scratch/log" 2>&1 || { cat "$scratch/log"; exit 1; }; }

files=(share/applications/vortane.desktop share/icons/hicolor/scalable/apps/vortane.svg share/man/man1/vortane.1
    share/man/man1/vortane-render.1 share/vortane/presets/falling-sirens.vpreset share/vortane/scales/19-equal.scl)
[[ "$have_app" == 1 ]] && files+=(bin/vortane)
[[ "$have_render" == 1 ]] && files+=(bin/vortane-render)

if [[ "$mode" == deb ]]; then
    [[ "$have_app" == 1 ]] || { echo "the application is not part of this build: nothing to package"; exit 77; }
    quiet "$tool" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch"
    debs=("$scratch"/vortane_*.deb)
    deb=${debs[0]}
    [[ -f "$deb" ]] || { echo "no vortane_*.deb produced"; exit 1; }
    info=$(dpkg-deb -I "$deb")
    field() { sed -n "s/^ $1: //p" <<<"$info"; }
    [[ "$(field Package)" == vortane ]] || fail "package name is '$(field Package)'"
    [[ "$(field Section)" == sound ]] || fail "section is '$(field Section)'"
    [[ -n "$(field Maintainer)" ]] || fail "no maintainer"
    echo "Depends: $(field Depends)"
    needs=(libqt6widgets6 libqt6gui6 libqt6core6 libportaudio2 librtmidi libc6 libstdc++6 fonts-dejavu-extra)
    [[ "$have_render" == 1 ]] && needs+=(libsndfile1)
    # One package name a line, alternatives included; a needed library matches by prefix (librtmidi6 for librtmidi).
    names=$(field Depends | tr ',|' '\n\n' | awk '{print $1}')
    for lib in "${needs[@]}"; do
        grep -q "^$lib" <<<"$names" || fail "Depends lacks $lib"
    done
    [[ "$have_plugins" == 1 ]] && files+=(lib/lv2/vortane.lv2/manifest.ttl lib/lv2/vortane.lv2/vortane.ttl
        lib/lv2/vortane.lv2/vortane.so lib/clap/vortane.clap "lib/vst3/vortane.vst3/Contents/$(uname -m)-linux/vortane.so")
    contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
    for file in "${files[@]}"; do
        grep -qxF "./usr/$file" <<<"$contents" || fail "package lacks /usr/$file"
    done
    # apt resolves every dependency of the package (a dry run: nothing is installed).
    if command -v apt-get >/dev/null; then
        apt-get install --simulate "$deb" >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log"; fail "apt cannot install it"; }
    fi
    ((failures == 0)) || exit 1
    echo "Debian package OK"
    exit 0
fi

DESTDIR="$scratch" quiet "$tool" --install "$build" --prefix /usr
root=$scratch/usr
for file in "${files[@]}"; do
    [[ -f "$root/$file" && ($file != bin/* || -x "$root/$file") ]] || fail "not installed: usr/$file"
done
# Each plugin module exports its format's entry alone, nothing that could clash with a host's symbols, and links no
# toolkit (the editor draws with Xlib and OpenGL itself).
for check in "lv2/vortane.lv2/vortane.so *lv2_descriptor*" "clap/vortane.clap clap_entry" \
    "vst3/vortane.vst3/Contents/$(uname -m)-linux/vortane.so *GetPluginFactory*"; do
    [[ "$have_plugins" == 1 ]] || break
    read -r module exports <<<"$check"
    [[ -f "$root/lib/$module" ]] || { fail "not installed: usr/lib/$module"; continue; }
    exported=$(nm -D --defined-only "$root/lib/$module" | awk '$2 ~ /[TDB]/ {print $3}' | sort | tr '\n' ' ')
    [[ "$exported" == $exports\  ]] || fail "$module exports: $exported"
    ! ldd "$root/lib/$module" | grep -E 'libQt|libgtk|libgdk' || fail "$module links a toolkit"
done
presets=("$root"/share/vortane/presets/*.vpreset)
((${#presets[@]} >= 10)) || fail "only ${#presets[@]} factory presets installed"
((failures == 0)) || exit 1

entry=$root/share/applications/vortane.desktop
report=$(desktop-file-validate "$entry" 2>&1) && [[ -z "$report" ]] || fail "desktop-file-validate: $report"
for line in "[Desktop Entry]" Type=Application Name=Vortane Exec=vortane Icon=vortane Terminal=false \
    "Categories=AudioVideo;Audio;Midi;"; do
    grep -qxF "$line" "$entry" || fail "the desktop entry lacks the line $line"
done

# No build-tree paths baked in: the installed tool runs and finds the factory presets beside it, by name.
if [[ "$have_render" == 1 ]]; then
    "$root/bin/vortane-render" --help >/dev/null || fail "installed vortane-render --help failed"
    "$root/bin/vortane-render" --preset "Falling Sirens" --seconds 0.1 --seed 1 "$scratch/sirens.wav" >/dev/null ||
        fail "installed vortane-render cannot find the factory preset \"Falling Sirens\""
fi

# The icon is well-formed XML whose root is an <svg> element with a square viewBox and at least one path.
python3 - "$root/share/icons/hicolor/scalable/apps/vortane.svg" <<'PY' || fail "the icon is not a square SVG"
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
