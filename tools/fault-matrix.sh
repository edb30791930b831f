#!/usr/bin/env bash
# Builds and runs the end-to-end fault matrix (every emulator fault against
# every printer run of the utility, about ten minutes) and prints its cells,
# the lines docs/reliability.md tabulates. Arguments go to the test program
# (e.g. --gtest_filter='*refresh*').
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
bash tools/setup.sh
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DVX_FAULT_MATRIX=ON \
      -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/win -j"$(nproc)" --target app_fault_matrix_test
source tools/wine-env.sh
trap vx_stop_wine EXIT
vx_wine_up
log=build/win/fault-matrix.log
rc=0
(cd build/win/tests/bin && timeout 3600 wine ./app_fault_matrix_test.exe "$@") >"$log" 2>&1 || rc=$?
grep '^cell:' "$log" || true
tail -n 3 "$log"
exit "$rc"
