#!/usr/bin/env bash
# Builds and runs the install benchmark under Wine (bench_install.exe; see its source for what
# it measures) in a fresh prefix with an X server of its own: the real Setup.exe shows its
# windows. Work files go to a fresh folder under /tmp (about 300 MB at peak) and are deleted.
# Pass --quick for one short round with a smaller payload, --rounds N for more rounds.
set -eu
exec "$(dirname "$0")/bench-common/run.sh" bench_install "$@"
