#!/usr/bin/env bash
# Builds and runs the archive benchmark under Wine (bench_archive.exe; see its source for what
# it measures). Work files go to a fresh folder under /tmp (about 3 GB at peak) and are deleted.
# Pass --quick for a short run with smaller archives.
set -eu
export VORNA_USE_DISPLAY=none  # no window: no X server needed
exec "$(dirname "$0")/bench-common/run.sh" bench_archive "$@"
