#!/usr/bin/env bash
# Runs a Windows test program at another DPI: in a prefix and X server of its own whose
# wineserver starts with that DPI (Wine reads it only then). Usage: at-dpi.sh DPI PROGRAM [ARGS]
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
dpi=$1
shift
unset WINEPREFIX DISPLAY VORNA_USE_DISPLAY
export VORNA_DPI=$dpi VORNA_EXPECT_DPI=$dpi
. "$here/tools/wine-env.sh"
vorna_env_start >/dev/null
status=0
wine "$@" </dev/null || status=$?
exit "$status"
