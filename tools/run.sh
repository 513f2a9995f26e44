#!/usr/bin/env bash
# Builds Setup.exe and a demo payload, and runs the installer under Wine.
#   tools/run.sh                 (the default, and always without a display): runs it
#                                in an X server of its own, drives it through an install and an
#                                uninstall as a person would, and saves a screenshot of each
#                                window in out/screens/
#   tools/run.sh --interactive   on your display: you answer the installer yourself
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
mode=headless
[ -n "${DISPLAY:-}" ] && [ "${1:-}" = "--interactive" ] && mode=interactive
. "$here/tools/wine-env.sh"
vorna_flavour
"$here/tools/deps.sh"
"$here/tools/build.sh" >/dev/null
bin=$(vorna_build_dir)/bin
[ "$mode" = interactive ] && export VORNA_USE_DISPLAY=1
vorna_env_start

# The installation medium: Setup.exe with Setup.Dat beside it, as C:\Media.
media="$WINEPREFIX/drive_c/Media"
mkdir -p "$media"
cp "$bin/Setup.exe" "$media/"
# A help file large enough that the progress window stays up for its screenshot: the small
# stand-ins alone are installed in well under a second.
"$here/tools/demo-payload/make-payload.sh" --help-size 128 "$bin" "$media" >/dev/null
echo "Installation medium: C:\\Media (Setup.exe, Setup.Dat $(stat -c %s "$media/Setup.Dat") bytes)"

if [ "$mode" = interactive ]; then
  wine 'C:\Media\Setup.exe'
  exit 0
fi

shots="$here/out/screens"
mkdir -p "$shots"
A() { wine "$bin/automate.exe" "$@" </dev/null; }
shot() { sleep 1; import -window root "$shots/$1.png"; echo "  screenshot out/screens/$1.png"; }
caption="VORNA Mail Server Setup"

echo "Install:"
wine 'C:\Media\Setup.exe' </dev/null >/dev/null 2>&1 &
setup=$!
A wait "$caption" 30000 "#32770"; shot 01-install-question
A press "$caption" Yes
A wait "$caption" 20000 TMainForm
shot 02-setup-window
A press "$caption" "Browse..."; A wait "Choose Folder" 10000; shot 03-folder-chooser
A press "Choose Folder" Cancel
A press "$caption" Install; A wait "$caption" 10000 "#32770"; shot 04-licence-question
A press "$caption" Yes
A wait "Processing..." 20000; shot 05-progress
# The window shows once and goes at the end: up before and after the shot, it is in the shot.
A wait "Processing..." 0 || { echo "the progress window went before its screenshot was taken" >&2; exit 1; }
A wait Information 120000; shot 06-install-complete
A press Information OK
wait "$setup"; echo "  Setup.exe ended with exit code $?"

echo "Installed:"
ls "$WINEPREFIX/drive_c/Program Files/Vorna" | tr '\n' ' '; echo
wine sc query VORNASMTP </dev/null 2>/dev/null | grep -E "SERVICE_NAME|STATE" | tr -s ' ' || true
view=/reg:64; [ "$VORNA_ARCH" = x86 ] && view=/reg:32  # the registry view of Setup.exe's bitness
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorna' "$view" </dev/null 2>/dev/null | grep REG_SZ || true

echo "Uninstall (through the stored UninstallString):"
wine 'C:\Program Files\Vorna\Setup.exe' /UNINSTALL </dev/null >/dev/null 2>&1 &
setup=$!
A wait "$caption" 30000 "#32770"; shot 07-uninstall-question
A press "$caption" Yes
A wait Information 60000; shot 08-uninstall-complete
A press Information OK
wait "$setup"; echo "  Setup.exe ended with exit code $?"
echo "Left in C:\\Program Files\\Vorna: $(ls "$WINEPREFIX/drive_c/Program Files/Vorna" | tr '\n' ' ')"
