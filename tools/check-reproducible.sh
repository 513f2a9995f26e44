#!/usr/bin/env bash
# tools/check-reproducible.sh [build folder]
# Builds Setup.exe and packdat.exe once more, from a copy of the sources in another folder and
# into another build folder, and compares them byte for byte with the given build's (default:
# VORNA_BUILD_DIR or build/), with the toolchain that build used. The same sources must give the
# same bytes wherever they are built.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-${VORNA_BUILD_DIR:-$here/build}}" && pwd)
toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$toolchain" ] || { echo "no toolchain file in $build/CMakeCache.txt" >&2; exit 1; }
other=$(mktemp -d /tmp/vorna-reproducible.XXXXXX)
trap 'rm -rf "$other"' EXIT
mkdir "$other/sources-elsewhere"
# The files git knows or would take (tracked and new ones), as they are now.
(cd "$here" && git ls-files -z --cached --others --exclude-standard) |
  (cd "$here" && tar --null -T - -cf - 2>/dev/null) | tar -C "$other/sources-elsewhere" -xf -
cmake -S "$other/sources-elsewhere" -B "$other/b" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$other/sources-elsewhere/cmake/$(basename "$toolchain")" -DCMAKE_BUILD_TYPE=Release \
  -DVORNA_BUILD_TESTS=OFF >/dev/null
cmake --build "$other/b" -j"$(nproc)" --target Setup packdat >/dev/null
status=0
for program in Setup.exe packdat.exe; do
  if cmp -s "$build/bin/$program" "$other/b/bin/$program"; then
    echo "reproducible: $program ($(stat -c %s "$build/bin/$program") bytes) is the same built elsewhere"
  else
    echo "NOT reproducible: $program differs between $build and a build elsewhere" >&2
    cmp "$build/bin/$program" "$other/b/bin/$program" | head -3 >&2 || true
    status=1
  fi
done
exit "$status"
