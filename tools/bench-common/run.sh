#!/usr/bin/env bash
# Shared by the benchmark scripts:   run.sh <program> [arguments...]
# Builds, starts a fresh Wine prefix (with an X server of its own unless VORNA_USE_DISPLAY
# says otherwise), and runs bin/<program>.exe with a fresh work folder under /tmp as its
# first argument and the given arguments after it. The work folder is deleted afterwards;
# the program's output is printed and its exit status returned.
set -eu
program=$1
shift
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tools/wine-env.sh"
vorna_build_and_start  # sets bin
work=$(mktemp -d /tmp/vorna-bench.XXXXXX)
log=$(mktemp /tmp/vorna-bench-log.XXXXXX)
trap 'vorna_env_stop; rm -rf "$work" "$log"' EXIT
status=0
wine "$bin/$program.exe" "Z:${work//\//\\}\\run" "$@" </dev/null >"$log" 2>&1 || status=$?
cat "$log"
exit "$status"
