# Sourced by the run and test scripts: a fresh Wine prefix and an X server of this run's own.
# After vorna_env_start: WINEPREFIX and DISPLAY are set, a persistent wineserver runs, and
# vorna_env_stop (called on exit) ends both and removes the prefix. The prefix is a WoW64 one
# for the x86 flavour and a 64-bit one for x86_64 (tools/flavour.sh). With VORNA_DPI set (say
# 144), the display runs at that DPI: Wine reads it when the prefix's wineserver starts, and
# the screen and desktop grow by DPI/96 so that the desktop stays as large in inches.
. "$(dirname "${BASH_SOURCE[0]}")/flavour.sh"

vorna_env_start() {
  vorna_flavour || return 1
  local dpi=${VORNA_DPI:-96}
  local screen="$((1024 * dpi / 96))x$((768 * dpi / 96))"
  export WINEDEBUG=-all
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/vorna-prefix.XXXXXX)
  echo "Wine prefix: $WINEPREFIX"
  trap vorna_env_stop EXIT
  # The X server comes first: the prefix's first wine process starts the desktop process,
  # which loads the display driver once, from the DISPLAY it sees then.
  if [ -z "${VORNA_USE_DISPLAY:-}" ]; then
    local fifo
    fifo=$(mktemp -u /tmp/vorna-xvfb.XXXXXX)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    VORNA_XVFB_PID=$!
    local number
    read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$number"
    echo "X display: $DISPLAY"
  fi
  local status=0 said
  said=$(wineboot -i </dev/null 2>&1) || status=$?
  if [ "$status" != 0 ]; then
    echo "Wine could not start (wineboot exited with code $status${said:+: $(echo "$said" | tail -n 1)})" >&2
    return 1
  fi
  # The x86 flavour's programs are 32-bit and must meet what 64-bit Windows gives them: a WoW64
  # prefix, which Wine makes only when its 32-bit half (wine32) is installed. (A 64-bit prefix
  # has a windows/syswow64 folder too; only a 32-bit program can tell.)
  if [ "$VORNA_ARCH" = x86 ] && ! wine "C:\\windows\\syswow64\\cmd.exe" /c exit </dev/null >/dev/null 2>&1; then
    echo "The Wine prefix runs no 32-bit program: install wine32:i386 (tools/deps.sh) for a WoW64 prefix" >&2
    return 1
  fi
  # Wine's own fonts (package fonts-wine) are looked for in the prefix's Fonts folder only;
  # without them "MS Sans Serif" and "Tahoma" fall back to a wider system font.
  [ -d /usr/share/wine/fonts ] && cp -s /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
  # Wine's own desktop, filling the screen, with a taskbar: Wine frames, stacks and maximises
  # the windows as Windows does (Xvfb has no window manager).
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$screen" /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
  if [ -n "${VORNA_DPI:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
  fi
  wineserver -k; wineserver -w
  # A persistent server keeps every wine start quick; warm it up with output to /dev/null so
  # that the helper processes it starts never hold a caller's pipe open.
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# For the scripts that run programs of this tree: installs what is missing, builds, starts the
# environment, and sets bin to the folder of the built programs.
vorna_build_and_start() {
  vorna_flavour
  "$vorna_root/tools/deps.sh"
  "$vorna_root/tools/build.sh" >/dev/null
  bin=$(vorna_build_dir)/bin
  vorna_env_start >/dev/null
}

vorna_env_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "${VORNA_XVFB_PID:-}" ] && kill "$VORNA_XVFB_PID" 2>/dev/null || true
  [ -n "${WINEPREFIX:-}" ] && case "$WINEPREFIX" in /tmp/vorna-prefix.*) rm -rf "$WINEPREFIX";; esac
}

# For scripts that only run windowless tools such as packdat: the caller's prefix when
# WINEPREFIX is set (its wineserver must be running), otherwise a fresh one without an X
# server. $1: what the caller's EXIT trap does, kept after the environment's own.
vorna_env_for_tools() {
  if [ -z "${WINEPREFIX:-}" ]; then
    export VORNA_USE_DISPLAY=none
    vorna_env_start >/dev/null
    # shellcheck disable=SC2064  # the caller's command, fixed now
    trap "vorna_env_stop; $1" EXIT
  fi
  export WINEDEBUG=-all
}

# The Wine path of a Unix path (through drive Z:).
winpath() { echo "Z:${1//\//\\}"; }
