#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test under Wine in a fresh prefix with an X
# server of its own, in this host's flavour (tools/flavour.sh), then checks the shipped 32-bit
# Setup.exe where nothing has to run: its size, and that it and packdat.exe build to the same
# bytes elsewhere. Exits non-zero when a test or a check fails, or when no test ran.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tools/flavour.sh"
vorna_flavour
"$here/tools/deps.sh"
"$here/tools/build.sh"
build=$(vorna_build_dir)
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
# A chosen subset of tests (arguments for ctest) skips the release checks.
[ $# -eq 0 ] || exit "$status"
if [ "$VORNA_ARCH" = x86 ]; then
  "$here/tools/check-reproducible.sh" "$build" || status=1
else
  release=$(vorna_build_dir x86)
  VORNA_ARCH=x86 VORNA_BUILD_DIR=$release "$here/tools/build.sh" Setup packdat >/dev/null
  cmake -DPROGRAM="$release/bin/Setup.exe" -P "$here/tests/release/CheckSize.cmake" || status=1
  "$here/tools/check-reproducible.sh" "$release" || status=1
  echo "The shipped 32-bit Setup.exe was built and checked, but not run: the tests ran the x86_64 flavour ($VORNA_FLAVOUR_WHY)."
fi
exit "$status"
