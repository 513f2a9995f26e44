#!/usr/bin/env bash
# Installs what building and running the setup needs on Debian; quick when all is there.
# Both cross compilers are always installed: the shipped program is 32-bit x86 and is built in
# every flavour. Wine's 32-bit half (wine32, from Debian's i386 architecture) only where the
# x86 flavour runs: a host that runs no 32-bit code has no use for it (tools/flavour.sh).
set -eu
. "$(dirname "$0")/flavour.sh"
vorna_flavour
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
packages=(cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
          binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
          mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine wine64 fonts-wine xvfb
          xauth googletest imagemagick osslsigncode openssl zip xdotool python3 python3-yaml
          python3-jsonschema locales fonts-ipafont-gothic)
[ "$VORNA_ARCH" = x86 ] && packages+=(wine32:i386)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$VORNA_ARCH" = x86 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The code-page tests run programs under a Japanese character type with English messages
# (Wine takes the ANSI code page from LC_CTYPE and its own texts from LC_MESSAGES); both locales
# must exist, or Wine falls back to the C locale's code page.
for locale in ja_JP en_US; do
  locale -a 2>/dev/null | grep -qix "${locale}.utf-\?8" || $SUDO localedef -i "$locale" -f UTF-8 "${locale}.UTF-8"
done
