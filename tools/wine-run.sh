#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. The caller chooses the prefix (WINEPREFIX);
# tools/test.sh makes a fresh one for every run.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of this test run (see tools/test.sh)}"
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
