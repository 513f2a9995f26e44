#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. The caller chooses the prefix (WINEPREFIX);
# tools/test.sh makes a fresh one for every run. A test program whose name ends in
# "_win98.exe" runs with Wine's per-program version set to Windows 98 (platform 1), so the
# 95/98 paths are tested for real.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of this test run (see tools/test.sh)}"
export WINEDEBUG="${WINEDEBUG:--all}"
program=$(basename "$1")
case "$program" in
  *_win98.exe)
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d win98 /f </dev/null >/dev/null 2>&1
    ;;
esac
exec wine "$@"
