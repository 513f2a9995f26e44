#!/usr/bin/env bash
# Configures and builds everything (program, tools, tests) with the MinGW cross toolchain.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VORNA_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
