#!/usr/bin/env bash
# Start-up time of Setup.exe to its visible windows, against a minimal one-window Win32
# program in the same run, under Wine in an X server of its own.   tools/bench-startup.sh [rounds]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tools/wine-env.sh"
vorna_build_and_start  # sets bin
wine "$bin/bench_startup.exe" "${1:-10}" </dev/null
