#!/usr/bin/env bash
# `cpack -G DEB` builds a package named vortane in section sound whose Depends (from dpkg-shlibdeps) pull in
# the runtime libraries, and which holds the programs, the desktop entry, the icon and the manual pages.
# With the plugins built it also holds the LV2, CLAP and VST3 bundles where hosts look for them.
#   check_deb.sh CPACK BUILD_DIR HAVE_APP(0|1) HAVE_RENDER(0|1) [HAVE_PLUGINS(0|1)]   exit 77: skipped (no application built)
set -euo pipefail
cpack=$1 build=$2 have_app=$3 have_render=$4 have_plugins=${5:-0}

if [[ "$have_app" != 1 ]]; then
    echo "the application is not part of this build: nothing to package"
    exit 77
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; exit 1; }
debs=("$scratch"/vortane_*.deb)
[[ -f "${debs[0]}" ]] || { echo "no vortane_*.deb produced"; cat "$scratch/cpack.log"; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb")"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

info=$(dpkg-deb -I "$deb")
field() { sed -n "s/^ $1: //p" <<<"$info"; }
[[ "$(field Package)" == vortane ]] || fail "package name is '$(field Package)'"
[[ "$(field Section)" == sound ]] || fail "section is '$(field Section)'"
[[ -n "$(field Maintainer)" ]] || fail "no maintainer"
depends=$(field Depends)
echo "Depends: $depends"
needs=(libqt6widgets6 libqt6gui6 libqt6core6 libportaudio2 librtmidi libc6 libstdc++6)
[[ "$have_render" == 1 ]] && needs+=(libsndfile1)
[[ "$have_plugins" == 1 ]] && needs+=(libsamplerate0)
# One package name a line, alternatives included; a needed library matches by prefix (librtmidi6 for librtmidi).
names=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
for lib in "${needs[@]}"; do
    found=0
    while read -r name; do [[ "$name" == "$lib"* ]] && found=1; done <<<"$names"
    ((found)) || fail "Depends lacks $lib"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
expect_path() { grep -qxF "./usr/$1" <<<"$contents" || fail "package lacks /usr/$1"; }
expect_path bin/vortane
[[ "$have_render" == 1 ]] && expect_path bin/vortane-render
expect_path share/applications/vortane.desktop
expect_path share/icons/hicolor/scalable/apps/vortane.svg
expect_path share/man/man1/vortane.1
expect_path share/man/man1/vortane-render.1
if [[ "$have_plugins" == 1 ]]; then
    expect_path lib/lv2/vortane.lv2/manifest.ttl
    expect_path lib/lv2/vortane.lv2/vortane.ttl
    expect_path lib/lv2/vortane.lv2/vortane.so
    expect_path lib/clap/vortane.clap
    expect_path "lib/vst3/vortane.vst3/Contents/$(uname -m)-linux/vortane.so"
fi

# apt resolves every dependency of the package (a dry run: nothing is installed).
if command -v apt-get >/dev/null; then
    apt-get install --simulate "$deb" >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log"; fail "apt cannot install it"; }
fi

((failures == 0)) || exit 1
echo "Debian package OK"
