#!/usr/bin/env bash
# Installs what Vortane needs, builds it and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
# Warnings never stop a user's build, whatever an earlier configuration of the folder asked for.
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVORTANE_BUILD_TESTS=OFF -DVORTANE_BUILD_BENCH=OFF -DVORTANE_WERROR=OFF
cmake --build "$root/build-release" --target vortane
exec "$root/build-release/app/vortane"
