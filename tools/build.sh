#!/usr/bin/env bash
# Configures and builds with the MinGW cross toolchain for 32-bit x86 Windows: everything
# (program, tools, tests), or only the targets named (tools/build.sh Setup packdat).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VORNA_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
