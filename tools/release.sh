#!/usr/bin/env bash
# tools/release.sh <payload folder> <output folder> [--cert file.p12] [--password-env VAR]
#                  [--timestamp-url URL] [--download-url URL] [--bin folder]
#
# Makes the installation medium from a folder of the suite's files:
#   <output>/vorna-setup-<version>/Setup.exe, Setup.Dat   the medium
#   <output>/vorna-setup-<version>.zip                     the same as one download
#   <output>/vorna-setup-<version>.cdx.json                its bill of materials (CycloneDX 1.6)
#   <output>/winget/manifests/...                          winget manifests (with --download-url)
#   <output>/SHA256SUMS                                    of the four files above
# Setup.exe is built from this tree as the shipped 32-bit program, with packdat.exe of this
# host's flavour to run under Wine (tools/flavour.sh; --bin takes both from a build folder's bin
# instead) and bound to its
# Setup.Dat: the archive's SHA-256 is written into the program, which then unpacks that archive
# only. Given a code-signing certificate (a PKCS#12 file; also VORNA_SIGN_CERT) and the name
# of the variable that holds its password (default VORNA_SIGN_PASSWORD), the program is then
# signed with Authenticode; with --timestamp-url the signature gets an RFC 3161 time stamp
# (SHA-256) from that authority, without one it verifies only while the certificate is valid.
# --download-url is where the zip will be published: the winget manifests name it.
# The bill of materials names the runtime parts linked into Setup.exe with the versions of the
# toolchain that built it, read from that toolchain. Nothing depends on the time of day: the
# zip's times, the bill's and the manifests' dates are SOURCE_DATE_EPOCH (or the last commit's).
#
# Refused, with nothing written to <output>: a payload folder without a file the setup
# installs by name, a certificate that its password does not open, an output folder that
# exists and is not empty. Everything is made in a temporary folder beside <output> and moved
# into place at the end.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)

refuse() { echo "release: $*" >&2; exit 1; }
usage() {
  echo "usage: $0 <payload folder> <output folder> [--cert file.p12] [--password-env VAR]" >&2
  echo "       [--timestamp-url URL] [--download-url URL] [--bin folder]" >&2
  exit 2
}

positional=()
cert=${VORNA_SIGN_CERT:-}
password_var=VORNA_SIGN_PASSWORD
bin=
timestamp_url=
download_url=
while [ $# -gt 0 ]; do
  case "$1" in
    --cert) [ $# -ge 2 ] || usage; cert=$2; shift 2 ;;
    --password-env) [ $# -ge 2 ] || usage; password_var=$2; shift 2 ;;
    --timestamp-url) [ $# -ge 2 ] || usage; timestamp_url=$2; shift 2 ;;
    --download-url) [ $# -ge 2 ] || usage; download_url=$2; shift 2 ;;
    --bin) [ $# -ge 2 ] || usage; bin=$(cd "$2" && pwd); shift 2 ;;
    -*) usage ;;
    *) positional+=("$1"); shift ;;
  esac
done
[ ${#positional[@]} -eq 2 ] || usage
payload=${positional[0]}
output=${positional[1]}

for url in "$timestamp_url" "$download_url"; do
  case "$url" in "" | http://?* | https://?*) ;; *) refuse "'$url' is not an http:// or https:// URL" ;; esac
done
[ -z "$timestamp_url" ] || [ -n "$cert" ] || refuse "--timestamp-url time-stamps a signature: give a certificate too"
[ -d "$payload" ] || refuse "'$payload' is not a folder"
payload=$(cd "$payload" && pwd)
if [ -e "$output" ]; then
  [ -d "$output" ] || refuse "'$output' exists and is not a folder"
  [ -z "$(ls -A "$output")" ] || refuse "'$output' exists and is not empty; a release goes into a new folder"
fi
. "$here/tools/wine-env.sh"
vorna_flavour
"$here/tools/deps.sh"
if [ -n "$cert" ]; then
  [ -f "$cert" ] || refuse "no certificate file '$cert'"
  case "$password_var" in [A-Za-z_]*) ;; *) refuse "'$password_var' is not a variable name" ;; esac
  [ -n "${!password_var+set}" ] || refuse "the certificate's password variable $password_var is not set"
  export "$password_var"
  openssl pkcs12 -in "$cert" -noout -passin "env:$password_var" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$cert" -noout -passin "env:$password_var" 2>/dev/null ||
    refuse "the password does not open the certificate '$cert' (or it is no PKCS#12 file)"
fi

setup_bin=$bin
if [ -z "$bin" ]; then
  "$here/tools/build.sh" packdat >/dev/null
  bin=$(vorna_build_dir)/bin
  VORNA_ARCH=x86 VORNA_BUILD_DIR=$(vorna_build_dir x86) "$here/tools/build.sh" Setup >/dev/null
  setup_bin=$(vorna_build_dir x86)/bin
fi
[ -f "$setup_bin/Setup.exe" ] && [ -f "$bin/packdat.exe" ] || refuse "no Setup.exe and packdat.exe in '$bin'"
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
name=vorna-setup-$version

parent=$(dirname "$output")
mkdir -p "$parent"
stage=$(mktemp -d "$parent/.release.XXXXXX")
cleanup() { rm -rf "$stage"; }
trap cleanup EXIT
medium="$stage/out/$name"
mkdir -p "$medium"

vorna_env_for_tools cleanup
packdat() { wine "$bin/packdat.exe" "$@" </dev/null; }

# The names come from the setup's own tables; Windows matches them without regard to case.
missing=()
while IFS= read -r file; do
  file=${file%$'\r'}
  [ -n "$file" ] || continue
  [ -n "$(find "$payload" -maxdepth 1 -type f -iname "$file" -print -quit)" ] || missing+=("$file")
done < <(packdat --names)
[ ${#missing[@]} -eq 0 ] || refuse "the payload folder '$payload' lacks: ${missing[*]}"
[ -n "$(find "$payload" -maxdepth 1 -type f -iname '*.gif' -print -quit)" ] ||
  echo "release: note: the payload has no *.gif images" >&2

cp "$setup_bin/Setup.exe" "$medium/Setup.exe"
packdat "$(winpath "$medium/Setup.Dat")" "$(winpath "$payload")" >"$stage/packdat.log" 2>&1 ||
  { cat "$stage/packdat.log" >&2; refuse "packdat could not pack '$payload'"; }
packdat --embed-digest "$(winpath "$medium/Setup.exe")" "$(winpath "$medium/Setup.Dat")" >"$stage/digest.log" 2>&1 ||
  { cat "$stage/digest.log" >&2; refuse "the archive's digest could not be written into Setup.exe"; }
echo "Setup.Dat SHA-256: $(cut -d' ' -f1 "$stage/digest.log")"

if [ -n "$cert" ]; then
  # The password goes to osslsigncode through a file only this user can read, not the command line.
  (umask 077; printf '%s' "${!password_var}" >"$stage/password")
  stamp=()
  [ -z "$timestamp_url" ] || stamp=(-ts "$timestamp_url")
  osslsigncode sign -pkcs12 "$cert" -readpass "$stage/password" -h sha256 "${stamp[@]}" \
    -n "VORNA Mail Server Setup" -in "$medium/Setup.exe" -out "$stage/Setup.signed.exe" >"$stage/sign.log" 2>&1 ||
    { cat "$stage/sign.log" >&2; refuse "signing failed"; }
  rm -f "$stage/password"
  mv "$stage/Setup.signed.exe" "$medium/Setup.exe"
  if [ -n "$timestamp_url" ]; then
    echo "Signed Setup.exe with $(basename "$cert"), time-stamped by $timestamp_url"
  else
    echo "Signed Setup.exe with $(basename "$cert"), without a time stamp: the signature ends with the certificate (--timestamp-url)"
  fi
else
  echo "Not signed: no certificate given (--cert or VORNA_SIGN_CERT)"
fi

# The zip gets fixed times and no extra attributes, so the same medium gives the same zip.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct 2>/dev/null || echo 0)}
touch -d "@$epoch" "$medium" "$medium/Setup.exe" "$medium/Setup.Dat"
(cd "$stage/out" && zip -q -X -r "$name.zip" "$name")

# What the bill of materials and the manifests say comes from the setup's own texts and from
# the toolchain that built this Setup.exe (its build folder names the compiler and objdump).
packdat --texts | tr -d '\r' >"$stage/texts"
setup_build=$(dirname "$setup_bin")
compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$setup_build"/CMakeFiles/*/CMakeCXXCompiler.cmake 2>/dev/null | head -1)
objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$setup_build/CMakeCache.txt" 2>/dev/null)
[ -x "$compiler" ] && [ -x "$objdump" ] || refuse "the compiler and objdump that built '$setup_bin/Setup.exe' are not found"
macro() { printf '#include <%s>\n' "$1" | "$compiler" -E -dM -x c++ - | sed -n "s/^#define $2 \([0-9]*\)$/\1/p"; }
gcc_version=$("$compiler" -dumpfullversion)
# Debian's cross compilers call themselves "12-posix"; their package has the release's number.
if ! [[ $gcc_version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  package=$(dpkg-query -S "$(readlink -f "$compiler")" 2>/dev/null | head -1 | cut -d: -f1)
  gcc_version=$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null | sed 's/^[0-9]*://; s/-.*//')
fi
{
  printf 'gcc\t%s\n' "$gcc_version"
  printf 'compiler\t%s %s\n' "$(basename "$compiler")" "$("$compiler" -dumpfullversion)"
  printf 'mingw-w64\t%s.%s.%s\n' "$(macro _mingw.h __MINGW64_VERSION_MAJOR)" \
    "$(macro _mingw.h __MINGW64_VERSION_MINOR)" "$(macro _mingw.h __MINGW64_VERSION_BUGFIX)"
  printf 'winpthreads\t%s.%s.%s\n' "$(macro pthread.h __WINPTHREADS_VERSION_MAJOR)" \
    "$(macro pthread.h __WINPTHREADS_VERSION_MINOR)" "$(macro pthread.h __WINPTHREADS_VERSION_PATCHLEVEL)"
  "$objdump" -p "$medium/Setup.exe" | sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/import\t\1/p'
  printf 'epoch\t%s\n' "$epoch"
  [ -z "$download_url" ] || printf 'url\t%s\n' "$download_url"
} >"$stage/facts"
[ "$(grep -cE $'^(gcc|mingw-w64|winpthreads)\t[0-9]+(\\.[0-9]+)+$' "$stage/facts")" = 3 ] ||
  { cat "$stage/facts" >&2; refuse "the toolchain's versions could not be read"; }
python3 "$here/tools/release/sbom.py" "$stage/facts" "$stage/texts" "$medium" "$stage/out/$name.zip" \
  "$stage/out/$name.cdx.json" || refuse "the bill of materials could not be written"
if [ -n "$download_url" ]; then
  python3 "$here/tools/release/winget.py" "$stage/texts" "$stage/out/$name.zip" "$download_url" \
    "$(date -u -d "@$epoch" +%F)" "$stage/out/winget" >/dev/null || refuse "the winget manifests could not be written"
fi
(cd "$stage/out" && sha256sum "$name/Setup.exe" "$name/Setup.Dat" "$name.zip" "$name.cdx.json" >SHA256SUMS)

if [ -d "$output" ]; then rmdir "$output"; fi
mv "$stage/out" "$output"
echo "Release medium: $output/$name ($(stat -c %s "$output/$name/Setup.exe") bytes Setup.exe)"
echo "Bill of materials: $output/$name.cdx.json"
[ -z "$download_url" ] || echo "winget manifests: $output/winget/manifests (for $download_url)"
cat "$output/SHA256SUMS"
