#!/usr/bin/env bash
# Configures and builds with the MinGW cross toolchain of this run's flavour (tools/flavour.sh):
# everything (program, tools, tests), or only the targets named (tools/build.sh Setup packdat).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tools/flavour.sh"
vorna_flavour
build=$(vorna_build_dir)
cmake -S "$here" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$(vorna_toolchain "$VORNA_ARCH")" -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
