#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test under Wine in a fresh WoW64 prefix with
# an X server of its own, then checks that Setup.exe and packdat.exe build to the same bytes
# elsewhere. Exits non-zero when a test or the check fails, or when no test ran.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/deps.sh"
"$here/tools/build.sh"
build=${VORNA_BUILD_DIR:-$here/build}
. "$here/tools/wine-env.sh"
vorna_env_start
cd "$build"
set +e
ctest -j"$(nproc)" --timeout 600 --output-on-failure "$@" | tee ctest.log
status=${PIPESTATUS[0]}
set -e
if ! grep -qE "tests passed, [0-9]+ tests failed out of [1-9]" ctest.log; then
  echo "No test ran." >&2
  exit 1
fi
# A chosen subset of tests (arguments for ctest) skips the second build.
if [ $# -eq 0 ]; then "$here/tools/check-reproducible.sh" "$build" || status=1; fi
exit "$status"
