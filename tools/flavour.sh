# Sourced by every script that builds or runs the programs: which flavour this run builds and
# runs, found out once and handed on to child scripts through the environment.
#   x86     the shipped 32-bit programs, run in a WoW64 Wine prefix (wine32 beside wine64), as on
#           64-bit Windows; the default wherever the host runs 32-bit x86 code
#   x86_64  every program built as x86_64 and run by Wine's 64-bit loader in a 64-bit prefix;
#           the only choice on a host that runs no 32-bit code (no wine32 needed)
# VORNA_ARCH=x86 or VORNA_ARCH=x86_64 picks one on purpose.

vorna_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# A 96-byte static i386 Linux program that only exits with code 42. A kernel built without
# 32-bit emulation refuses it ("Exec format error"); nothing else tells as surely.
vorna_probe_elf=f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7KgAAAM2A

# Prints why 32-bit x86 code does not run here, or nothing when it does. A folder that runs no
# program at all (mounted noexec) is passed over for the next.
vorna_probe_32bit() {
  local dir folder status why=""
  for dir in "${TMPDIR:-/tmp}" "$vorna_root"; do
    folder=$(mktemp -d "$dir/.vorna-probe.XXXXXX" 2>/dev/null) || continue
    cp /bin/true "$folder/control"
    echo "$vorna_probe_elf" | base64 -d >"$folder/probe32"
    chmod +x "$folder/probe32"
    if ! "$folder/control" 2>/dev/null; then rm -rf "$folder"; continue; fi
    status=0
    why=$("$folder/probe32" 2>&1) || status=$?
    rm -rf "$folder"
    [ "$status" = 42 ] && return 0
    echo "a 32-bit test program ended with exit code $status${why:+ (${why##*: })}"
    return 0
  done
  echo "no folder here lets a test program run, so 32-bit support is not known"
}

# Sets and exports VORNA_ARCH (and VORNA_FLAVOUR_WHY), and says once for the whole run which
# flavour and why.
vorna_flavour() {
  if [ -z "${VORNA_FLAVOUR_WHY:-}" ] || [ -z "${VORNA_ARCH:-}" ]; then
    vorna_choose_flavour || return 1
  fi
  # Wine's 64-bit loader is started directly: Debian's wine script picks the 32-bit one whenever
  # wine32 is installed, and a host without 32-bit code refuses that one.
  if [ "$VORNA_ARCH" = x86_64 ]; then
    case ":$PATH:" in *":$vorna_root/tools/wine64:"*) ;; *) export PATH="$vorna_root/tools/wine64:$PATH" ;; esac
  fi
}

vorna_choose_flavour() {
  local refused why
  refused=$(vorna_probe_32bit)
  case "${VORNA_ARCH:-}" in
    "")
      if [ -z "$refused" ]; then
        VORNA_ARCH=x86
        why="this host runs 32-bit x86 code"
      else
        VORNA_ARCH=x86_64
        why="this host runs no 32-bit x86 code: $refused"
      fi ;;
    x86)
      why="chosen by VORNA_ARCH"
      if [ -n "$refused" ]; then
        echo "VORNA_ARCH=x86, but this host runs no 32-bit x86 code: $refused" >&2
        return 1
      fi ;;
    x86_64) why="chosen by VORNA_ARCH" ;;
    *) echo "VORNA_ARCH must be x86 or x86_64, not '$VORNA_ARCH'" >&2; return 1 ;;
  esac
  if [ "$VORNA_ARCH" = x86 ]; then
    echo "Flavour x86 ($why): 32-bit programs in a WoW64 Wine prefix."
  else
    echo "Flavour x86_64 ($why): 64-bit programs run by Wine's 64-bit loader in a 64-bit prefix."
  fi
  VORNA_FLAVOUR_WHY=$why
  export VORNA_ARCH VORNA_FLAVOUR_WHY
}

# The build folder of a flavour (default: this run's). VORNA_BUILD_DIR names this run's own.
vorna_build_dir() {
  local arch=${1:-$VORNA_ARCH}
  if [ -n "${VORNA_BUILD_DIR:-}" ]; then
    if [ "$arch" = "$VORNA_ARCH" ]; then echo "$VORNA_BUILD_DIR"; else echo "$VORNA_BUILD_DIR-$arch"; fi
  elif [ "$arch" = x86 ]; then
    echo "$vorna_root/build"
  else
    echo "$vorna_root/build-$arch"
  fi
}

# The cross toolchain file of a flavour.
vorna_toolchain() {
  case "$1" in
    x86) echo "$vorna_root/cmake/mingw-w64-i686.cmake" ;;
    x86_64) echo "$vorna_root/cmake/mingw-w64-x86_64.cmake" ;;
  esac
}
