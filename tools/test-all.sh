#!/usr/bin/env bash
# Sets up a fresh machine, builds both builds and runs every test:
#   native build  (build/native): the code without <windows.h>, with ASan/UBSan
#   fuzz build    (build/fuzz):   libFuzzer over the file parsers, a short run
#   Windows build (build/win):    everything, tests run under Wine and Xvfb
# Exits non-zero when any build step or test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
jobs=$(nproc)

bash tools/setup.sh

echo "== native build (sanitizers)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs"
(cd build/native && ctest --output-on-failure -j"$jobs")

echo "== fuzzing the file parsers (short run from the kept corpus)"
bash tools/fuzz.sh "${VX_FUZZ_SECONDS:-20}"

echo "== Windows build"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/win -j"$jobs"

source tools/wine-env.sh
trap vx_stop_wine EXIT
vx_wine_up
echo "== Windows tests under Wine (DISPLAY=$DISPLAY)"
(cd build/win && ctest --output-on-failure -j"$jobs" "$@")
