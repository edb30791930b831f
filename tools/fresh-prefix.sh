#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix made for this one run and
# removed afterwards: a machine on which nothing was ever installed. It gets
# a private Xvfb display too, so that it can run beside the tests on the
# shared one; VX_USE_DISPLAY=1 keeps the caller's display (to watch).
#   tools/fresh-prefix.sh program.exe [arguments]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vx-fresh-prefix.XXXXXX")
export WINEPREFIX=$prefix
# shellcheck source=tools/wine-env.sh
source "$repo/tools/wine-env.sh"
trap 'vx_stop_wine; rm -rf "$prefix"' EXIT
vx_wine_up >/dev/null
rc=0
"$repo/tools/wine-run.sh" "$@" || rc=$?
exit "$rc"
