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
# Prints each needed package that is not installed, a line each.
vorna_missing() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
vorna_apt_install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
mapfile -t missing < <(vorna_missing)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$VORNA_ARCH" = x86 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  fi
  # An index that fails to download is said, not fatal: the others may hold all that is missing.
  $SUDO apt-get update -qq || echo "apt-get update: some indexes failed; going on with the others" >&2
  if ! vorna_apt_install "${missing[@]}"; then
    # A mirror mid-sync can serve one architecture's security index out of step; the i386
    # libraries then cannot match their amd64 twins. The release's own versions, which both
    # architectures have, can: the security archive is put last for this one install.
    pins=$(mktemp -d)
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$pins/security-last"
    echo "Installing again with the release's own versions ahead of the security archive's" >&2
    status=0
    vorna_apt_install -o Dir::Etc::PreferencesParts="$pins" "${missing[@]}" || status=$?
    rm -rf "$pins"
    [ "$status" = 0 ] || exit "$status"
  fi
  # apt may take one package away to fit another in; what is needed must all be here.
  mapfile -t still < <(vorna_missing)
  if [ ${#still[@]} -gt 0 ]; then echo "Not installed: ${still[*]}" >&2; exit 1; fi
fi
# The code-page tests run programs under a Japanese character type with English messages
# (Wine takes the ANSI code page from LC_CTYPE and its own texts from LC_MESSAGES); both locales
# must exist, or Wine falls back to the C locale's code page.
for locale in ja_JP en_US; do
  locale -a 2>/dev/null | grep -qix "${locale}.utf-\?8" || $SUDO localedef -i "$locale" -f UTF-8 "${locale}.UTF-8"
done
