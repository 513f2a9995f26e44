#!/usr/bin/env bash
# Takes the README's screenshots from the real Setup.exe under a private X server:
#   docs/setup-window.png    the setup window in front of the backdrop
#   docs/folder-chooser.png  the "Choose Folder" dialog
#   docs/progress-window.png the "Processing..." window during an install
# Windows are driven with automate.exe, as a person would drive them. Exits non-zero when
# a window does not appear, so a missing shot is never mistaken for a taken one.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VORNA_BUILD_DIR:-$here/build}
"$here/tools/build.sh" >/dev/null
. "$here/tools/wine-env.sh"
vorna_env_start >/dev/null
mkdir -p "$here/docs"
automate="$build/bin/automate.exe"
shot() { sleep 1; import -window root "$here/docs/$1"; echo "saved docs/$1"; }
auto() { wine "$automate" "$@" </dev/null 2>&1; }

# Run from a copy beside a payload, if the build made one, so the install gets going.
run=$(mktemp -d /tmp/vorna-shots.XXXXXX)
cp "$build/bin/Setup.exe" "$run/"
[ -f "$build/bin/Setup.Dat" ] && cp "$build/bin/Setup.Dat" "$run/"
(cd "$run" && exec wine "$run/Setup.exe" </dev/null >/dev/null 2>&1) &
setup_pid=$!
trap 'kill $setup_pid 2>/dev/null || true; rm -rf "$run"; vorna_env_stop' EXIT

auto press "VORNA Mail Server Setup" "Yes" 20000          # the install question
sleep 2
shot setup-window.png

auto press "VORNA Mail Server Setup" "Browse..."
auto wait "Choose Folder" 10000
shot folder-chooser.png
auto press "Choose Folder" "Cancel"
sleep 1

auto press "VORNA Mail Server Setup" "Install"
# The licence question comes first; its caption is the setup's.
auto press "VORNA Mail Server Setup" "Yes" 5000 || true
if auto wait "Processing..." 15000; then
  shot progress-window.png
else
  echo "The progress window did not appear: no progress-window.png taken." >&2
  exit 1
fi
