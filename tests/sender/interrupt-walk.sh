#!/usr/bin/env bash
# Ctrl+C during a sixteen-printer run of VXR500Send.exe, as a terminal sends
# it: SIGINT to the sender, which Wine hands to it as a console control event.
# The run must start no further printer, leave none in user-setting mode,
# print a result line for every printer, and end with status 5.
#
#   interrupt-walk.sh PROGRAM_FOLDER    (run by ctest under the project's Wine)
set -u
program=$1
work=$(mktemp -d)
name=INT$$
fail() { echo "interrupt-walk: $*" >&2; status=1; }
status=0
# A port list of the walk's own, away from the machine's.
VX_PORT_REGISTRY="$(winepath -w "$work")\ports.txt"
export VX_PORT_REGISTRY

wine "$program/VXR500Emu.exe" --quiet --no-announce --fleet 16 --name "$name" --state "$(winepath -w "$work")\\state.txt" \
  </dev/null >/dev/null 2>&1 &
emulator=$!
ask() { wine "$program/VXR500Emu.exe" --ask "$name-$1" "${@:2}" </dev/null 2>/dev/null | tr -d '\r'; }
cleanup() {
  ask 1 quit >/dev/null
  wait "$emulator" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 1 60); do
  [ "$(ask 16 status | cut -c1-2)" = OK ] && break
  sleep 0.5
done
[ "$(ask 16 status | cut -c1-2)" = OK ] || { echo "interrupt-walk: the fleet did not come up" >&2; exit 1; }

# The file: printer 1's own settings, so that every printer gets a real write.
(cd "$work" && wine "$program/VXR500Send.exe" --backup fleet.vxs 127.0.0.2 </dev/null >/dev/null 2>&1) ||
  { echo "interrupt-walk: the backup failed" >&2; exit 1; }
for k in $(seq 2 17); do echo "127.0.0.$k"; done >"$work/targets.txt"

(cd "$work" && exec wine "$program/VXR500Send.exe" fleet.vxs --targets targets.txt --jobs 8 \
  </dev/null >"$work/out.txt" 2>"$work/err.txt") &
sender=$!
# Interrupted once the first printers took the file and restart.
for _ in $(seq 1 300); do
  grep -q "waiting for the printer to restart" "$work/err.txt" 2>/dev/null && break
  sleep 0.1
done
kill -INT "$sender"
ended=0
for _ in $(seq 1 600); do
  if ! kill -0 "$sender" 2>/dev/null; then ended=1; break; fi
  sleep 0.1
done
[ "$ended" = 1 ] || { kill -KILL "$sender"; fail "the sender still ran 60 s after Ctrl+C"; }
wait "$sender"
code=$?
out=$(tr -d '\r' <"$work/out.txt")
echo "$out"
tail -n 3 "$work/err.txt"

[ "$code" = 5 ] || fail "exit status $code, not 5 (interrupted)"
[ "$(echo "$out" | grep -c .)" = 16 ] || fail "not a result line for each of the 16 printers"
[ "$(echo "$out" | grep -c 'INTERRUPTED: not started')" -ge 8 ] || fail "printers were started after Ctrl+C"
grep -q "interrupted; the results so far are above" "$work/err.txt" || fail "no word of the interruption"
for k in $(seq 1 16); do
  state=$(ask "$k" usersetting)
  case "$state" in
    "OK out"*) ;;
    *) fail "printer $k: $state (left in user-setting mode?)" ;;
  esac
done
exit $status
