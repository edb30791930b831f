#!/bin/sh
# ctest's launcher for Windows test executables: runs one under Wine with a
# hard time limit, so a hung window can never stall the whole run.
exec timeout --kill-after=10 "${VX_WINE_TIMEOUT:-600}" wine "$@"
