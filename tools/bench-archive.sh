#!/usr/bin/env bash
# Builds and runs the archive benchmark under Wine (bench_archive.exe; see its source for what
# it measures). Work files go to a fresh folder under /tmp (about 3 GB at peak) and are deleted.
# Pass --quick for a short run with smaller archives.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/deps.sh"
"$here/tools/build.sh" >/dev/null
build=${VORNA_BUILD_DIR:-$here/build}
export VORNA_USE_DISPLAY=none  # no window: no X server needed
. "$here/tools/wine-env.sh"
vorna_env_start >/dev/null
work=$(mktemp -d /tmp/vorna-bench.XXXXXX)
log=$(mktemp /tmp/vorna-bench-log.XXXXXX)
trap 'vorna_env_stop; rm -rf "$work" "$log"' EXIT
status=0
wine "$build/bin/bench_archive.exe" "Z:${work//\//\\}\\run" "$@" </dev/null >"$log" 2>&1 || status=$?
cat "$log"
exit "$status"
