#!/usr/bin/env bash
# A serial cable inside this machine: a socat pty pair linked into the Wine
# prefix as COM5 (the library's end) and COM6 (the emulator's end).
#   serial-pair.sh start|stop
# A start that cannot make the pair fails, so the serial tests never run
# without their cable.
set -u
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
dir=${VX_SERIAL_DIR:-/tmp/vx-serial-$(id -u)}
case "${1:-}" in
  start)
    mkdir -p "$dir"
    if ! command -v socat >/dev/null 2>&1; then
      echo "serial-pair: socat is missing (tools/setup.sh installs it)" >&2
      exit 1
    fi
    [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null
    rm -f "$dir/a" "$dir/b"
    socat pty,raw,echo=0,link="$dir/a" pty,raw,echo=0,link="$dir/b" </dev/null >/dev/null 2>&1 &
    echo $! > "$dir/pid"
    for _ in $(seq 1 100); do
      [ -e "$dir/a" ] && [ -e "$dir/b" ] && break
      sleep 0.1
    done
    if [ ! -e "$dir/a" ] || [ ! -e "$dir/b" ] || ! kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
      echo "serial-pair: socat made no pty pair in $dir" >&2
      exit 1
    fi
    mkdir -p "$WINEPREFIX/dosdevices"
    ln -sfn "$dir/a" "$WINEPREFIX/dosdevices/com5"
    ln -sfn "$dir/b" "$WINEPREFIX/dosdevices/com6"
    echo "serial-pair: COM5 <-> COM6"
    ;;
  stop)
    [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null
    rm -f "$dir/pid" "$WINEPREFIX/dosdevices/com5" "$WINEPREFIX/dosdevices/com6"
    ;;
  *)
    echo "usage: serial-pair.sh start|stop" >&2
    exit 2
    ;;
esac
exit 0
