#!/usr/bin/env bash
# Installs what building and running the setup needs on Debian; quick when all is there.
# The programs are 32-bit x86: they run in a WoW64 Wine (wine32 beside wine64), which needs
# Debian's i386 architecture.
set -eu
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
packages=(cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
          binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
          mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine wine64 wine32:i386 fonts-wine xvfb
          xauth googletest imagemagick osslsigncode openssl zip xdotool)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
