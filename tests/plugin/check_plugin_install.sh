#!/usr/bin/env bash
# `cmake --install` (the plugins component) into a scratch DESTDIR with prefix /usr puts the three bundles where hosts look
# (usr/lib/lv2, usr/lib/clap, usr/lib/vst3), and lilv loads the installed LV2 bundle from there.
#   check_plugin_install.sh CMAKE BUILD_DIR LV2_VOCABULARY_DIR
set -euo pipefail
cmake=$1 build=$2 vocabulary=$3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
DESTDIR="$scratch" "$cmake" --install "$build" --prefix /usr --component plugins >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; exit 1; }
lib=$scratch/usr/lib
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

arch=$(uname -m)
for file in lv2/vortane.lv2/manifest.ttl lv2/vortane.lv2/vortane.ttl lv2/vortane.lv2/vortane.so \
    clap/vortane.clap "vst3/vortane.vst3/Contents/$arch-linux/vortane.so"; do
    [[ -f "$lib/$file" ]] || fail "not installed: usr/lib/$file"
done
for module in lv2/vortane.lv2/vortane.so clap/vortane.clap "vst3/vortane.vst3/Contents/$arch-linux/vortane.so"; do
    [[ -f "$lib/$module" ]] || continue
    # Each module exports its format's entry and nothing that could clash with a host's symbols.
    exported=$(nm -D --defined-only "$lib/$module" | awk '$2 ~ /[TDB]/ {print $3}' | sort | tr '\n' ' ')
    case $module in
    lv2/*) [[ "$exported" == *lv2_descriptor* ]] || fail "$module exports: $exported" ;;
    clap/*) [[ "$exported" == "clap_entry " ]] || fail "$module exports: $exported" ;;
    vst3/*) [[ "$exported" == *GetPluginFactory* ]] || fail "$module exports: $exported" ;;
    esac
    # No toolkit in the host's process: the editor draws with Xlib and OpenGL itself.
    if ldd "$lib/$module" | grep -Eq 'libQt|libgtk|libgdk'; then
        fail "$module links a toolkit: $(ldd "$lib/$module" | grep -E 'libQt|libgtk|libgdk')"
    fi
done
LV2_PATH="$lib/lv2:$vocabulary" lv2info urn:vortane:vortane >"$scratch/lv2info.log" 2>&1 ||
    { cat "$scratch/lv2info.log"; fail "lv2info cannot load the installed bundle"; }

((failures == 0)) || exit 1
echo "plugins installed under usr/lib/{lv2,clap,vst3}"
