# Sourced by the scripts that run Windows programs: prepares a Wine prefix of
# the project's own, a display, and a persistent wineserver.
#
#   source tools/wine-env.sh            # uses build/wine and a private Xvfb
#   VX_USE_DISPLAY=1 source ...         # keeps the caller's DISPLAY (to watch)

VX_REPO=${VX_REPO:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$VX_REPO/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko download prompt; a crashing program ends at once instead of
# waiting in the debugger.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winedbg.exe=d"}
export WINEARCH=win64

vx_wine_quiet() { "$@" </dev/null >/dev/null 2>&1; }

vx_start_display() {
  if [ -n "${VX_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  # The server picks a free display number itself and writes it once it
  # takes connections: scripts starting side by side never share one.
  local number_file i
  number_file=$(mktemp)
  Xvfb -displayfd 9 -screen 0 1920x1200x24 -nolisten tcp 9>"$number_file" >/dev/null 2>&1 &
  VX_XVFB_PID=$!
  for i in $(seq 1 100); do
    if [ -s "$number_file" ]; then
      export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
      rm -f "$number_file"
      return 0
    fi
    kill -0 "$VX_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  echo "wine-env: Xvfb did not start" >&2
  return 1
}

vx_make_prefix() {
  if [ -f "$WINEPREFIX/.vx-ready" ]; then
    return 0
  fi
  echo "wine-env: creating Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  (unset DISPLAY; vx_wine_quiet wineboot -i; wineserver -w)
  # A fresh prefix has no fonts: caption buttons draw as letters and CJK as boxes.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -f /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  (unset DISPLAY
   vx_wine_quiet wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
   vx_wine_quiet wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${VX_DESKTOP_SIZE:-1024x768}" /f
   vx_wine_quiet wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAGothic /f
   vx_wine_quiet wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Shell Dlg' /d Tahoma /f
   wineserver -w)
  local ipa
  for ipa in /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf /usr/share/fonts/truetype/fonts-japanese-gothic.ttf; do
    [ -f "$ipa" ] && cp -f "$ipa" "$WINEPREFIX/drive_c/windows/Fonts/" && break
  done
  touch "$WINEPREFIX/.vx-ready"
}

vx_start_wineserver() {
  wineserver -p 2>/dev/null || true  # already running is fine
  # The first process after the server starts launches background services
  # that would inherit (and hold open) captured output streams.
  vx_wine_quiet wine cmd /c exit 0
}

vx_stop_wine() {
  wineserver -k 2>/dev/null || true
  if [ -n "${VX_XVFB_PID:-}" ]; then
    kill "$VX_XVFB_PID" 2>/dev/null || true
    wait "$VX_XVFB_PID" 2>/dev/null || true
    VX_XVFB_PID=
  fi
}

vx_wine_up() {
  vx_make_prefix
  vx_start_display
  vx_start_wineserver
}
