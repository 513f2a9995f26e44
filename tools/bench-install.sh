#!/usr/bin/env bash
# Builds and runs the install benchmark under Wine (bench_install.exe; see its source for what
# it measures) in a fresh prefix with an X server of its own: the real Setup.exe shows its
# windows. Work files go to a fresh folder under /tmp (about 300 MB at peak) and are deleted.
# Pass --quick for one short round with a smaller payload, --rounds N for more rounds.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/deps.sh"
"$here/tools/build.sh" >/dev/null
build=${VORNA_BUILD_DIR:-$here/build}
. "$here/tools/wine-env.sh"
vorna_env_start >/dev/null
work=$(mktemp -d /tmp/vorna-bench.XXXXXX)
log=$(mktemp /tmp/vorna-bench-log.XXXXXX)
trap 'vorna_env_stop; rm -rf "$work" "$log"' EXIT
status=0
wine "$build/bin/bench_install.exe" "Z:${work//\//\\}\\run" "$@" </dev/null >"$log" 2>&1 || status=$?
cat "$log"
exit "$status"
