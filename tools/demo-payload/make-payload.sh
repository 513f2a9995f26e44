#!/usr/bin/env bash
# make-payload.sh [--folder] [--help-size <MB>] <build bin folder> <out folder>
#
# Makes a demo payload of every file the setup installs and packs it with packdat into
# <out folder>/Setup.Dat; with --folder, writes the files themselves into <out folder>
# instead (the input of tools/release.sh). The three servers are taken from the build when it has
# them; every other file is small stand-in content. With --help-size, vorna.hlp is that many MB
# (zeros after its text), so that an install lasts long enough to be watched. Runs packdat under Wine: in the caller's prefix
# when WINEPREFIX is set (its wineserver must be running), otherwise in a fresh one of its own.
set -eu
files_only=no
help_mb=0
while [ $# -gt 0 ]; do
  case "$1" in
    --folder) files_only=yes; shift ;;
    --help-size)
      [ $# -ge 2 ] && [ "$2" -gt 0 ] 2>/dev/null || { echo "$0: --help-size needs a number of MB" >&2; exit 2; }
      help_mb=$2; shift 2 ;;
    *) break ;;
  esac
done
if [ $# -ne 2 ]; then
  echo "usage: $0 [--folder] [--help-size <MB>] <build bin folder> <out folder>" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
[ "$files_only" = yes ] || [ -f "$bin/packdat.exe" ] || { echo "no packdat.exe in $bin: build first (tools/build.sh)" >&2; exit 1; }

stage=$(mktemp -d /tmp/vorna-payload.XXXXXX)
trap 'rm -rf "$stage"' EXIT
p="$stage/payload"
mkdir "$p"

program_files=(smtp.exe pop3.exe control.exe config.exe readme.txt update.txt default.ini vorna.hlp
               vorna.cnt vorna.rtf dnsquery.exe users.exe notify.exe)
html_files=(about.html accountlist.html accounts.html delivery.html domainadd.html domainedit.html
            execadd.html execedit.html failure.html logs.html mailadd.html mailedit.html options.html
            remoteadd.html remoteedit.html security.html self.html smsadd.html smsedit.html success.html
            system.html useradd.html useredit.html outgoing.html userbox.html script.js styles.css)

for name in "${program_files[@]}"; do
  case "$name" in
    smtp.exe|pop3.exe|control.exe)
      if [ -f "$bin/$name" ]; then cp "$bin/$name" "$p/$name"; continue; fi
      printf 'MZ VORNA Mail Server 2.10.255 stand-in for %s\r\n' "$name" >"$p/$name" ;;
    *.exe) printf 'MZ VORNA Mail Server 2.10.255 stand-in for %s\r\n' "$name" >"$p/$name" ;;
    readme.txt)
      printf 'VORNA Mail Server 2.10.255\r\n\r\nSMTP, POP3 and Control servers run as services.\r\nConfigure them with config.exe.\r\n' >"$p/$name" ;;
    update.txt) printf 'VORNA Mail Server 2.10.255\r\n\r\n- First release of this demo payload.\r\n' >"$p/$name" ;;
    default.ini) printf '[SMTP]\r\nPort=25\r\n[POP3]\r\nPort=110\r\n[Control]\r\nPort=8080\r\n' >"$p/$name" ;;
    vorna.rtf) printf '{\\rtf1\\ansi VORNA Mail Server 2.10.255\\par}\r\n' >"$p/$name" ;;
    vorna.cnt) printf ':Base vorna.hlp\r\n:Title VORNA Mail Server\r\n1 Contents\r\n' >"$p/$name" ;;
    *) printf 'VORNA Mail Server help stand-in: %s\r\n' "$name" >"$p/$name" ;;
  esac
done
[ "$help_mb" -eq 0 ] || truncate -s "${help_mb}M" "$p/vorna.hlp"

for name in "${html_files[@]}"; do
  case "$name" in
    script.js) printf 'function go(page) { window.location = page; }\r\n' >"$p/$name" ;;
    styles.css) printf 'body { font-family: sans-serif; background: #fff; }\r\nimg.logo { border: 0; }\r\n' >"$p/$name" ;;
    *) title=${name%.html}
       printf '<html><head><title>VORNA %s</title><link rel="stylesheet" href="styles.css">' "$title" >"$p/$name"
       printf '<script src="script.js"></script></head>\r\n<body><img class="logo" src="images/logo.gif">' >>"$p/$name"
       printf '<h1>%s</h1></body></html>\r\n' "$title" >>"$p/$name" ;;
  esac
done

# 1x1 pixel GIF89a images, one colour each.
gif() {
  printf 'GIF89a\x01\x00\x01\x00\x80\x00\x00'"$2"'\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b' >"$p/$1"
}
gif logo.gif '\x00\x33\x99'
gif back.gif '\x00\x00\x00'
gif title.gif '\xff\xff\xff'
gif bullet.gif '\xcc\x00\x00'

printf 'MZ VORNA Mail Server Control Panel applet stand-in\r\n' >"$p/VORNA.CPL"

if [ "$files_only" = yes ]; then
  cp "$p"/* "$out/"
  echo "Demo payload files: $out"
  exit 0
fi

. "$here/tools/wine-env.sh"
vorna_env_for_tools 'rm -rf "$stage"'
rm -f "$out/Setup.Dat"
status=0
wine "$bin/packdat.exe" "$(winpath "$out/Setup.Dat")" "$(winpath "$p")" \
  </dev/null >"$stage/packdat.log" 2>&1 || status=$?
cat "$stage/packdat.log"
[ "$status" = 0 ] || { echo "packdat failed ($status)" >&2; exit "$status"; }
echo "Demo payload: $out/Setup.Dat"
