#!/usr/bin/env bash
# `cmake --install` of the plugins puts the three bundles where hosts look (/usr/lib/{lv2,clap,vst3}), each module
# exporting its entry alone (nothing to clash with a host's) and linking no toolkit; lilv loads the LV2 bundle there.
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

# Each module with the exports it must have (the CLAP module: clap_entry alone).
for check in "lv2/vortane.lv2/vortane.so *lv2_descriptor*" "clap/vortane.clap clap_entry" \
    "vst3/vortane.vst3/Contents/$(uname -m)-linux/vortane.so *GetPluginFactory*"; do
    read -r module exports <<<"$check"
    [[ -f "$lib/$module" ]] || { fail "not installed: usr/lib/$module"; continue; }
    exported=$(nm -D --defined-only "$lib/$module" | awk '$2 ~ /[TDB]/ {print $3}' | sort | tr '\n' ' ')
    [[ "$exported" == $exports\  ]] || fail "$module exports: $exported"
    toolkits=$(ldd "$lib/$module" | grep -E 'libQt|libgtk|libgdk' || true)
    [[ -z "$toolkits" ]] || fail "$module links a toolkit: $toolkits"
done
LV2_PATH="$lib/lv2:$vocabulary" lv2info urn:vortane:vortane >"$scratch/lv2info.log" 2>&1 ||
    { cat "$scratch/lv2info.log"; fail "lv2info cannot load the installed bundle"; }
((failures == 0)) || exit 1
echo "plugins installed under usr/lib/{lv2,clap,vst3}"
