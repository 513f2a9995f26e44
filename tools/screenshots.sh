#!/usr/bin/env bash
# Takes the README's screenshots from the real Setup.exe under a private X server:
#   docs/setup-window.png     the setup window in front of the backdrop
#   docs/folder-chooser.png   the "Choose Folder" dialog
#   docs/progress-window.png  the "Processing..." window during an install
# The windows are driven with automate.exe, as a person would drive them. Exits non-zero
# when a window does not appear, so a missing shot is never mistaken for a taken one.
# With VORNA_DPI=144 (say) the display runs at that DPI and the names end in -144dpi.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tools/wine-env.sh"
vorna_build_and_start  # sets bin
mkdir -p "$here/docs"

# The installation medium, as a user gets it: Setup.exe with Setup.Dat beside it.
media="$WINEPREFIX/drive_c/Media"
mkdir -p "$media"
cp "$bin/Setup.exe" "$media/"
"$here/tools/demo-payload/make-payload.sh" "$bin" "$media" >/dev/null

A() { wine "$bin/automate.exe" "$@" </dev/null; }
shot() {
  local name="${1%.png}${VORNA_DPI:+-${VORNA_DPI}dpi}.png"
  import -window root "$here/docs/$name"
  echo "saved docs/$name"
}
caption="VORNA Mail Server Setup"

(cd "$media" && exec wine 'C:\Media\Setup.exe' </dev/null >/dev/null 2>&1) &
A wait "$caption" 30000 "#32770"
A press "$caption" Yes
A wait "$caption" 20000 TMainForm
sleep 1; shot setup-window.png

A press "$caption" "Browse..."
A wait "Choose Folder" 10000
sleep 1; shot folder-chooser.png
A press "Choose Folder" Cancel

A press "$caption" Install
A wait "$caption" 10000 "#32770"    # the licence question
A press "$caption" Yes
A wait "Processing..." 20000
shot progress-window.png
A wait Information 120000 >/dev/null && A press Information OK
