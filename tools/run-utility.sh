#!/usr/bin/env bash
# Sets up a fresh machine, builds the Windows program folder and runs the
# utility under Wine. With a desktop session (DISPLAY set) the window appears
# there; without one it runs on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

bash tools/setup.sh
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/win -j"$(nproc)"

export VX_USE_DISPLAY=1
source tools/wine-env.sh
trap vx_stop_wine EXIT
vx_wine_up
echo "== VXR500UTL.exe on DISPLAY=$DISPLAY $*"
wine build/win/program/VXR500UTL.exe "$@"
