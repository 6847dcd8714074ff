#!/usr/bin/env bash
# Installs the Debian 12 packages Vortane needs.
#   install-deps.sh          what building and playing needs
#   install-deps.sh --test   that, plus the test, sanitizer, fuzzing and benchmark tools
set -euo pipefail

run_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev libx11-dev fonts-dejavu-extra
    portaudio19-dev libasound2-dev libjack-jackd2-dev
    librtmidi-dev
    libsndfile1-dev
    dpf-source patch
)
test_packages=(
    libgtest-dev libgmock-dev libbenchmark-dev
    jackd2 jack-tools
    clang-22 libclang-rt-22-dev
    xvfb xauth x11-utils imagemagick xdotool libgl1-mesa-dri jalv
    desktop-file-utils dpkg-dev file man-db groff-base libxml2-utils
    python3 python3-numpy python3-matplotlib
    lv2-dev lilv-utils sordi ardour
)

packages=("${run_packages[@]}")
[[ "${1:-}" == "--test" ]] && packages+=("${test_packages[@]}")

sudo=()
[[ "$(id -u)" -ne 0 ]] && sudo=(sudo)

# Skip the network when everything is there already.
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
