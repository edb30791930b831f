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
# The embedded default printer: the emulator answers on 127.0.0.1:9100, the
# port a fresh port registry lists, until the utility ends.
wine build/win/program/VXR500Emu.exe --quiet --state "$(winepath -w "$repo/build/emulator-state.txt")" \
  </dev/null >/dev/null 2>&1 &
emu_pid=$!
trap 'kill $emu_pid 2>/dev/null || true; wait $emu_pid 2>/dev/null || true; vx_stop_wine' EXIT
echo "== VXR500UTL.exe on DISPLAY=$DISPLAY $* (emulated VX-R500 on 127.0.0.1:9100)"
wine build/win/program/VXR500UTL.exe "$@"
