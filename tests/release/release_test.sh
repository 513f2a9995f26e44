#!/usr/bin/env bash
# release_test.sh <source folder> <bin folder>
# The release script end to end, in the test run's Wine prefix and X display: what it refuses
# leaves no release behind; a signed medium verifies with its time stamp from a local authority,
# its winget manifests and bill of materials validate and say what it holds, it installs, and no
# longer installs once one byte of its Setup.Dat has changed; two releases of the same payload
# are the same bytes.
set -eu
src=$1
bin=$2
: "${WINEPREFIX:?the test needs the Wine prefix of the run (tools/test.sh)}"
: "${DISPLAY:?the test needs the X display of the run (tools/test.sh)}"
export WINEDEBUG=-all
work=$(mktemp -d /tmp/vorna-release-test.XXXXXX)
tsa=
trap '[ -z "$tsa" ] || kill "$tsa" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
release() { "$src/tools/release.sh" --bin "$bin" "$@"; }
A() { wine "$bin/automate.exe" "$@" </dev/null; }
caption="VORNA Mail Server Setup"

# A throw-away code-signing certificate.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=VORNA Test Signing" -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/sign.p12" -passout pass:right-one
export TEST_SIGN_PASSWORD=right-one TEST_WRONG_PASSWORD=wrong-one

# A time-stamp authority of its own on 127.0.0.1: a test root and the authority's certificate.
schemas=$(cd "$src/.." && pwd)/shared/schemas
[ -d "$schemas/winget-1.12.0" ] && [ -d "$schemas/cyclonedx-1.6" ] || fail "no schemas in $schemas"
python3 -c 'import jsonschema, yaml' || fail "python3-jsonschema and python3-yaml are needed (tools/deps.sh)"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/tsa-root.key" -out "$work/tsa-root.pem" -days 2 \
  -subj "/CN=VORNA Test Time Root" -addext basicConstraints=critical,CA:true 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout "$work/tsa.key" -out "$work/tsa.csr" -subj "/CN=VORNA Test Time" 2>/dev/null
printf 'extendedKeyUsage=critical,timeStamping\n' >"$work/tsa.ext"
openssl x509 -req -in "$work/tsa.csr" -CA "$work/tsa-root.pem" -CAkey "$work/tsa-root.key" -CAcreateserial \
  -days 2 -extfile "$work/tsa.ext" -out "$work/tsa.pem" 2>/dev/null
echo 01 >"$work/tsa.serial"
cat >"$work/tsa.cnf" <<EOF2
[tsa]
default_tsa = test_tsa
[test_tsa]
serial = $work/tsa.serial
signer_cert = $work/tsa.pem
signer_key = $work/tsa.key
signer_digest = sha256
certs = $work/tsa.pem
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
ess_cert_id_chain = no
EOF2
python3 "$src/tests/release/tsa.py" "$work/tsa.cnf" "$work/tsa.port" &
tsa=$!
for _ in $(seq 1 50); do [ -s "$work/tsa.port" ] && break; sleep 0.1; done
[ -s "$work/tsa.port" ] || fail "the time-stamp authority did not start"
stamp_url=http://127.0.0.1:$(cat "$work/tsa.port")/
download_url=https://downloads.example.com/vorna/vorna-setup-2.10.255.zip
"$src/tools/demo-payload/make-payload.sh" --folder "$bin" "$work/payload" >/dev/null

# Refused: a payload without a file the setup installs, a wrong password, a non-empty output.
expect_refused() {
  local why=$1 output=$2
  shift 2
  if release "$@" >"$work/refused.log" 2>&1; then cat "$work/refused.log"; fail "not refused: $why"; fi
  grep -q "^release: .*$why" "$work/refused.log" || { cat "$work/refused.log"; fail "no clear message: $why"; }
}
cp -r "$work/payload" "$work/short"
rm "$work/short/vorna.hlp"
expect_refused "lacks: vorna.hlp" "$work/out1" "$work/short" "$work/out1"
[ ! -e "$work/out1" ] || fail "a refused payload left $work/out1"
expect_refused "password does not open" "$work/out2" "$work/payload" "$work/out2" --cert "$work/sign.p12" \
  --password-env TEST_WRONG_PASSWORD
[ ! -e "$work/out2" ] || fail "a wrong password left $work/out2"
mkdir "$work/out3"
echo earlier >"$work/out3/earlier.txt"
expect_refused "not empty" "$work/out3" "$work/payload" "$work/out3"
[ "$(ls -A "$work/out3")" = earlier.txt ] && [ "$(cat "$work/out3/earlier.txt")" = earlier ] ||
  fail "a refused release changed the existing output folder"
[ -z "$(find "$work" -maxdepth 1 -name '.release.*')" ] || fail "a refused release left its temporary folder"

# A signed, time-stamped release for winget.
release "$work/payload" "$work/out" --cert "$work/sign.p12" --password-env TEST_SIGN_PASSWORD \
  --timestamp-url "$stamp_url" --download-url "$download_url" >"$work/release.log" 2>&1 ||
  { cat "$work/release.log"; fail "the release failed"; }
medium=$(find "$work/out" -mindepth 1 -maxdepth 1 -type d -name "vorna-setup-*")
[ -f "$medium/Setup.exe" ] && [ -f "$medium/Setup.Dat" ] || fail "no medium in $work/out"
(cd "$work/out" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
unzip -l "$medium.zip" | grep -q "$(basename "$medium")/Setup.Dat" || fail "the zip lacks Setup.Dat"
osslsigncode verify -in "$medium/Setup.exe" -CAfile "$work/cert.pem" -TSA-CAfile "$work/tsa-root.pem" \
  >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "the signature does not verify"; }
grep -q "Timestamp Server Signature verification: ok" "$work/verify.log" ||
  { cat "$work/verify.log"; fail "the signature has no time stamp that verifies"; }
python3 "$src/tests/release/check_release.py" "$schemas" "$work/out" "$download_url" ||
  fail "the manifests or the bill of materials do not say what the release holds"

# Two unsigned releases of the same payload and date: the same zip, bill and manifests.
for copy in a b; do
  SOURCE_DATE_EPOCH=1767225600 VORNA_SIGN_CERT= release "$work/payload" "$work/same-$copy" \
    --download-url "$download_url" >"$work/same-$copy.log" 2>&1 || { cat "$work/same-$copy.log"; fail "release $copy failed"; }
done
diff -r "$work/same-a" "$work/same-b" >&2 || fail "two releases of the same payload differ"
grep -q '"timestamp": "2026-01-01T00:00:00Z"' "$work/same-a/$(basename "$medium").cdx.json" ||
  fail "the bill of materials is not dated SOURCE_DATE_EPOCH"
rm -rf "$work/same-a" "$work/same-b"
[ -z "$(find "$work" -maxdepth 1 -name '.release.*')" ] || fail "the release left its temporary folder"

# Runs the medium's Setup.exe through the install; prints the closing box's caption and text.
install_from() {
  local folder=$1
  (cd "$folder" && exec wine Setup.exe </dev/null >/dev/null 2>&1) &
  local setup=$!
  { A wait "$caption" 30000 "#32770" && A press "$caption" Yes && A wait "$caption" 20000 TMainForm &&
    A press "$caption" Install && A wait "$caption" 10000 "#32770" && A press "$caption" Yes; } >/dev/null ||
    fail "the setup did not come to its Install step"
  local box=""
  for _ in $(seq 1 240); do
    if A wait Information 0 "#32770" >/dev/null 2>&1; then box=Information; break; fi
    if A wait Error 0 "#32770" >/dev/null 2>&1; then box=Error; break; fi
    sleep 0.5
  done
  [ -n "$box" ] || fail "the install showed no closing box"
  echo "$box: $(A text "$box" | tr -d '\r')"
  A press "$box" OK >/dev/null
  wait "$setup" || true
}
installed="$WINEPREFIX/drive_c/Program Files/Vorna"
[ ! -e "$installed" ] || fail "the machine is not clean: $installed exists"

# One byte of Setup.Dat changed: refused before anything is unpacked or installed.
tampered="$WINEPREFIX/drive_c/TamperedMedium"
cp -r "$medium" "$tampered"
offset=$(( $(stat -c %s "$tampered/Setup.Dat") / 2 ))
byte=$(od -An -tu1 -j "$offset" -N1 "$tampered/Setup.Dat" | tr -d ' ')
printf "\\$(printf '%03o' $(( byte ^ 1 )))" | dd of="$tampered/Setup.Dat" bs=1 seek="$offset" conv=notrunc 2>/dev/null
seen=$(install_from "$tampered")
[ "$seen" = "Error: Extracting files error: data file error" ] || fail "a changed Setup.Dat: $seen"
[ ! -e "$installed" ] || fail "a changed Setup.Dat installed into $installed"
[ -z "$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -iname VORNAInstall)" ] || fail "a changed Setup.Dat was unpacked"
rm -rf "$tampered"

# The medium as released installs.
good="$WINEPREFIX/drive_c/ReleaseMedium"
cp -r "$medium" "$good"
seen=$(install_from "$good")
[ "$seen" = "Information: The setup is complete. You may run the installed program now." ] ||
  fail "the released medium did not install: $seen"
cmp "$work/payload/smtp.exe" "$installed/smtp.exe" || fail "smtp.exe not installed from the medium"
wine sc query VORNASMTP </dev/null 2>/dev/null | grep -q RUNNING || fail "the SMTP service does not run"

# Leave the machine as found: the installation's own uninstall.
(exec wine "C:\\Program Files\\Vorna\\Setup.exe" /UNINSTALL </dev/null >/dev/null 2>&1) &
A wait "$caption" 30000 "#32770" && A press "$caption" Yes && A wait Information 60000 && A press Information OK ||
  fail "the uninstall did not run"
wait $! || true
rm -rf "$good" "$installed"
echo "release medium: refusals, time-stamped signature, manifests, bill of materials, reproducibility, install and refused changed archive as expected"
