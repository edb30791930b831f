#!/usr/bin/env bash
# Builds the libFuzzer targets natively with clang and runs each for a fixed
# time (default 20 s) from the corpus kept in tests/fuzz/corpus/<target>.
# New inputs go to a scratch folder, so the repository stays as it is; pass
# --merge to fold them into the kept corpus after a longer local run.
#   tools/fuzz.sh [seconds] [--merge]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
merge=${2:-}

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_FUZZ=ON >/dev/null
targets="SettingsBlocksFuzz LangSectionFuzz SettingFileFuzz CommandLineFuzz MenuRulesFuzz PortRegistryFuzz
  PrinterTalkFuzz EmulatorInputFuzz"
# shellcheck disable=SC2086
cmake --build build/fuzz --target $targets -j"$(nproc)"

# One target's run; its summary lines on standard output, its status in
# <scratch>/<target>.status.
run_target() {
  local target=$1
  local kept=tests/fuzz/corpus/$target
  local scratch=build/fuzz/scratch/$target
  local log=build/fuzz/scratch/$target.log
  mkdir -p "$kept" "$scratch"
  echo "== $target for ${seconds}s"
  # The target's own status decides: a crash, a leak, a time-out or a
  # sanitizer report ends the run with a non-zero status.
  local rc=0
  build/fuzz/tests/fuzz/$target -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=1024 \
    -timeout=5 -print_final_stats=1 -artifact_prefix="build/fuzz/scratch/$target-" \
    "$scratch" "$kept" >"$log" 2>&1 || rc=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|INFO: (Loaded|Done))|ERROR|SUMMARY' "$log" || true
  if [ "$rc" -ne 0 ]; then
    echo "$target found a failure (exit $rc); the input is in build/fuzz/scratch/$target-*"
    tail -n 40 "$log"
  elif [ "$merge" = "--merge" ]; then
    build/fuzz/tests/fuzz/$target -merge=1 "$kept" "$scratch" >/dev/null 2>&1
  fi
  echo "$rc" >"build/fuzz/scratch/$target.status"
}

# As many targets at a time as there are cores (each fuzzer uses one); the
# summaries in the order of the list.
mkdir -p build/fuzz/scratch
for target in $targets; do
  rm -f "build/fuzz/scratch/$target.status"
  run_target "$target" >"build/fuzz/scratch/$target.summary" 2>&1 &
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do
    wait -n || true
  done
done
wait
failed=0
for target in $targets; do
  cat "build/fuzz/scratch/$target.summary"
  [ "$(cat "build/fuzz/scratch/$target.status" 2>/dev/null)" = "0" ] || failed=1
done
exit "$failed"
