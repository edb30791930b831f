#!/usr/bin/env bash
# Reruns the benchmarks under Wine on this machine and prints their figures,
# each beside its yardstick measured in the same run.
# Assumes the Windows build exists (tools/test-all.sh or run-utility.sh made it).
#   bash tools/bench.sh          every benchmark
#   bash tools/bench.sh fleet    the sender on a fleet only
set -euo pipefail
only=${1:-all}
cd "$(dirname "$0")/.."
cmake --build build/win --target vx_bench vx_bench_bare vx_bench_dialog framework_pages_test >/dev/null
source tools/wine-env.sh
trap vx_stop_wine EXIT
vx_make_prefix
vx_start_display
bench=build/win/tests/bin/vx_bench.exe

if [ "$only" = all ]; then
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
fi
vx_start_wineserver

# The sender on a fleet: one file to 32 printers of one VXR500Emu.exe --fleet 32
# (printer k on 127.0.0.(k+1):9100, restart 3000 ms), beside the same file to
# one of them alone, and the 32 one after the other (--jobs 1).
fleet_work=$(mktemp -d)
program=build/win/program
wine "$program/VXR500Emu.exe" --quiet --fleet 32 --name BENCHF --state "$(winepath -w "$fleet_work")\\state.txt" \
  </dev/null >/dev/null 2>&1 &
fleet_pid=$!
for _ in $(seq 1 60); do
  wine "$program/VXR500Emu.exe" --ask BENCHF-32 status </dev/null >/dev/null 2>&1 && break
  sleep 0.5
done
send_timed() {  # label, then the sender's arguments; prints seconds and the sender's summary
  local start end
  start=$(date +%s.%N)
  (cd "$fleet_work" && wine "$OLDPWD/$program/VXR500Send.exe" "${@:2}" </dev/null >"$fleet_work/out.txt" 2>"$fleet_work/err.txt")
  local code=$?
  end=$(date +%s.%N)
  echo "fleet: $1: $(echo "$end - $start" | bc) s (exit $code, $(grep -c '  OK' "$fleet_work/out.txt") OK); $(tail -n 1 "$fleet_work/err.txt" | tr -d '\r')"
}
if (cd "$fleet_work" && wine "$OLDPWD/$program/VXR500Send.exe" --backup fleet.vxs 127.0.0.2 </dev/null >/dev/null 2>&1); then
  for k in $(seq 2 33); do echo "127.0.0.$k"; done >"$fleet_work/targets.txt"
  send_timed "one printer" fleet.vxs 127.0.0.2
  send_timed "32 printers, --jobs 32" fleet.vxs --targets targets.txt --jobs 32
  send_timed "32 printers, --jobs 1" fleet.vxs --targets targets.txt --jobs 1
else
  echo "fleet: the backup of printer 1 failed"
fi
wine "$program/VXR500Emu.exe" --ask BENCHF-1 quit </dev/null >/dev/null 2>&1
wait "$fleet_pid" 2>/dev/null
rm -rf "$fleet_work"
