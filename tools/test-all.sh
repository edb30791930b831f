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

# ctest with the run's output kept: a run that finds no test fails, and so
# does one in which any test was skipped (every test here can run on this
# machine and on CI, so a skip means a broken set-up, not a pass).
run_ctest() {
  local dir=$1
  shift
  local log=$dir/ctest-last.log
  local rc=0
  (cd "$dir" && ctest --no-tests=error --output-on-failure "$@") 2>&1 | tee "$log" || rc=$?
  if [ "$rc" -ne 0 ]; then
    return "$rc"
  fi
  if grep -q '(Skipped)\|\*\*\*Skipped' "$log"; then
    echo "test-all: skipped tests in $dir count as failures:" >&2
    grep '\*\*\*Skipped' "$log" >&2 || true
    return 1
  fi
}

bash tools/setup.sh

echo "== native build (sanitizers)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs"
run_ctest build/native -j"$jobs"

echo "== fuzzing the file parsers (short run from the kept corpus)"
bash tools/fuzz.sh "${VX_FUZZ_SECONDS:-20}"

echo "== Windows build"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DVX_FAULT_MATRIX=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/win -j"$jobs"

source tools/wine-env.sh
trap vx_stop_wine EXIT
vx_wine_up
echo "== Windows tests under Wine (DISPLAY=$DISPLAY)"
run_ctest build/win -j"$jobs" "$@"
