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
cmake --build build/fuzz --target SettingsBlocksFuzz LangSectionFuzz -j"$(nproc)"

for target in SettingsBlocksFuzz LangSectionFuzz; do
  kept=tests/fuzz/corpus/$target
  scratch=build/fuzz/scratch/$target
  mkdir -p "$kept" "$scratch"
  echo "== $target for ${seconds}s"
  build/fuzz/tests/fuzz/$target -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=1024 \
    -timeout=5 -print_final_stats=1 "$scratch" "$kept" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|INFO: (Loaded|Done))|ERROR|SUMMARY' || true
  if [ "${PIPESTATUS[0]}" -ne 0 ]; then
    echo "$target found a failure" >&2
    exit 1
  fi
  if [ "$merge" = "--merge" ]; then
    build/fuzz/tests/fuzz/$target -merge=1 "$kept" "$scratch" >/dev/null 2>&1
  fi
done
