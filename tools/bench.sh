#!/usr/bin/env bash
# Reruns the benchmarks under Wine on this machine and prints their figures,
# each beside its yardstick measured in the same run.
# Assumes the Windows build exists (tools/test-all.sh or run-utility.sh made it).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build/win --target vx_bench vx_bench_bare vx_bench_dialog framework_pages_test >/dev/null
source tools/wine-env.sh
trap vx_stop_wine EXIT
vx_make_prefix
vx_start_display
bench=build/win/tests/bin/vx_bench.exe

# Cold: no wineserver running, so the first program also boots Wine's services.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
start=$(date +%s.%N)
wine "$bench" startup-once </dev/null 2>/dev/null
end=$(date +%s.%N)
echo "startup (cold): $(echo "$end - $start" | bc) s from 'wine' with no server running to the bench's end, the utility's start, dialog and exit included"

vx_start_wineserver
for what in startup langtable datafile printer statusline refresh cutset memory; do
  wine "$bench" "$what" </dev/null 2>/dev/null | sed 's/^startup:/startup (warm):/' ||
    echo "$what: the bench failed"
done
# The window thread's answers while a page's worker talks to the printer
# (the framework test asserts only a generous bound; the figure is here).
(cd build/win/tests/bin && wine ./framework_pages_test.exe --gtest_filter=Framework.WindowThreadAnswersWhileTheWorkerRuns \
   </dev/null 2>/dev/null | grep '^figure:' | sed 's/^figure: //')
