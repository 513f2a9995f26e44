#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. The caller chooses the prefix (WINEPREFIX);
# tools/test.sh makes a fresh one for every run. A test program whose name ends in
# "_win98.exe" runs with Wine's per-program version set to Windows 98 (platform 1), so the
# 95/98 paths are tested for real. With VORNA_LOCALE set (ja_JP.UTF-8, say) the program and
# all it starts get that locale's ANSI code page, which Wine takes from LC_CTYPE, and English
# messages (both locales must be installed: tools/deps.sh).
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of this test run (see tools/test.sh)}"
export WINEDEBUG="${WINEDEBUG:--all}"
program=$(basename "$1")
case "$program" in
  *_win98.exe)
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d win98 /f </dev/null >/dev/null 2>&1
    ;;
esac
if [ -n "${VORNA_LOCALE:-}" ]; then
  unset LC_ALL LANG
  export LC_CTYPE="$VORNA_LOCALE" LC_MESSAGES=en_US.UTF-8
fi
exec wine "$@"
