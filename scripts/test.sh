#!/usr/bin/env bash
# Installs the test tools, builds every variant of Vortane and runs every test:
#   build/          unit, widget and end-to-end tests (JACK dummy servers), and the benchmarks (built, not run)
#   build-release/  scripts/play.sh, the README's first command, run as a user does on a virtual display
#   build-tsan/     the core's concurrency tests under ThreadSanitizer
#   build-rtsan/    the render path under RealtimeSanitizer (clang 22)
#   build-fuzz/     a short libFuzzer smoke run of each fuzz target over its committed corpus (clang 22)
# Set VORTANE_JACK_SERVER to name the JACK dummy servers the tests start (default "vortane-test") when
# several runs share the machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --test

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
ctest_args=(--output-on-failure --no-tests=error --timeout 600)

stage() { printf '\n=== %s ===\n' "$*"; }

stage "build and test"
export VORTANE_JACK_SERVER=${VORTANE_JACK_SERVER:-vortane-test}
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTANE_WERROR=ON \
    -DVORTANE_JACK_SERVER="$VORTANE_JACK_SERVER"
cmake --build "$root/build" -j"$jobs"
(cd "$root/build" && ctest "${ctest_args[@]}" -j"$jobs" -LE 'tsan-only|rtsan|fuzz')

stage "scripts/play.sh on a virtual display"
# The user's Release build (no -Werror there; the check fails on any warning it prints), the main
# window, Escape, exit status 0; then the same without any JACK server.
"$root/scripts/check-play.sh"

stage "ThreadSanitizer"
cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTANE_WERROR=ON -DVORTANE_TSAN=ON \
    -DVORTANE_BUILD_APP=OFF -DVORTANE_BUILD_BENCH=OFF
cmake --build "$root/build-tsan" -j"$jobs"
# This kernel's address-space randomisation breaks TSan's shadow memory: run without it.
(cd "$root/build-tsan" && setarch "$(uname -m)" -R ctest "${ctest_args[@]}" -L tsan)

stage "RealtimeSanitizer"
# A malloc, lock or blocking call below a nonblocking function aborts the test with exit code 43.
CC=clang-22 CXX=clang++-22 cmake -S "$root" -B "$root/build-rtsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTANE_WERROR=ON -DVORTANE_RTSAN=ON \
    -DVORTANE_BUILD_APP=OFF -DVORTANE_BUILD_BENCH=OFF
cmake --build "$root/build-rtsan" -j"$jobs"
(cd "$root/build-rtsan" && ctest "${ctest_args[@]}" -L rtsan)

if [[ -d "$root/fuzz" ]]; then
    stage "libFuzzer smoke"
    CC=clang-22 CXX=clang++-22 cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTANE_WERROR=ON \
        -DVORTANE_FUZZ=ON -DVORTANE_BUILD_APP=OFF -DVORTANE_BUILD_TESTS=OFF -DVORTANE_BUILD_BENCH=OFF
    # Only the fuzz targets: the rest of the tree is not linked against the sanitizer runtimes there.
    cmake --build "$root/build-fuzz" -j"$jobs" --target ini_fuzz midi_file_fuzz midi_handler_fuzz plugin_state_fuzz preset_fuzz tuning_fuzz
    (cd "$root/build-fuzz" && ctest "${ctest_args[@]}" -L fuzz)
fi

stage "all test stages passed"
