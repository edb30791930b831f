#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix made for this one run and
# removed afterwards: a machine on which nothing was ever installed. Uses the
# caller's display (ctest's Xvfb) when there is one.
#   tools/fresh-prefix.sh program.exe [arguments]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vx-fresh-prefix.XXXXXX")
export WINEPREFIX=$prefix
export VX_USE_DISPLAY=1
# shellcheck source=tools/wine-env.sh
source "$repo/tools/wine-env.sh"
trap 'vx_stop_wine; rm -rf "$prefix"' EXIT
vx_wine_up >/dev/null
rc=0
"$repo/tools/wine-run.sh" "$@" || rc=$?
exit "$rc"
