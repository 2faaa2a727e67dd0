#!/usr/bin/env bash
# The release archive as dist.sh writes it when asked to sign: a throw-away
# self-signed certificate made here, both programs signed with SHA-256 and
# verified against it, the archive named after the version record, its
# SHA256SUMS true, and the checker in it judging the unpacked release
# folder (clean; then, without a firmware folder, an error and exit code 2).
#   signed-release-test.sh SOURCE_DIR BUILD_DIR
# Exit code 77 (skipped) when osslsigncode is not installed.
set -euo pipefail
src=$1
build=$2
if ! command -v osslsigncode >/dev/null; then
  echo "osslsigncode is not installed: signing test skipped"
  exit 77
fi
work=$build/tests/dist/signed-release
rm -rf "$work"
mkdir -p "$work"
cd "$work"

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Pelkin Test Signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -out cert.pfx -inkey key.pem -in cert.pem -passout pass:throwaway
unset PELKIN_TIMESTAMP_URL
PELKIN_SIGN_PASSWORD=throwaway BUILD_DIR=$build bash "$src/scripts/dist.sh" --sign cert.pfx --out "$work/dist" > dist.log
cat dist.log

fail() { echo "FAILED: $*"; exit 1; }
# FILEVERSION 1,1,2,0 is 1.1.2; a revision other than 0 is kept.
version=$(sed -n 's/^ *FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' \
  "$src/res/PelkinUpdateApp.rc")
version=${version%.0}
name=PelkinUpdate-$version
[ -f "dist/$name.zip" ] || fail "no dist/$name.zip: $(ls dist)"
unzip -q "dist/$name.zip" -d unpacked
cd "unpacked/$name"
expected="ModelA/MODELA.BIN ModelA/RELEASE.TXT ModelB/MODELB.BIN ModelB/RELEASE.TXT PelkinCheck.exe PelkinUpdate.de.prm PelkinUpdate.exe PelkinUpdate.fr.prm PelkinUpdate.prm SHA256SUMS Update.cfg"
files=$(find . -type f | sed 's|^\./||' | LC_ALL=C sort | paste -sd ' ' -)
[ "$files" = "$expected" ] || fail "the archive holds $files"
sha256sum --quiet -c SHA256SUMS || fail "SHA256SUMS does not match"
[ "$(wc -l < SHA256SUMS)" -eq 10 ] || fail "SHA256SUMS lists $(wc -l < SHA256SUMS) files"

for exe in PelkinUpdate.exe PelkinCheck.exe; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$exe" > "$work/verify-$exe.txt" 2>&1 \
    || { cat "$work/verify-$exe.txt"; fail "$exe: signature does not verify"; }
  grep -q "Message digest algorithm  : SHA256" "$work/verify-$exe.txt" || fail "$exe: not signed with SHA-256"
  grep -q "Subject: /CN=Pelkin Test Signing" "$work/verify-$exe.txt" || fail "$exe: signed by someone else"
  # Without a configured timestamp server there is none.
  grep -q "Timestamp is not available" "$work/verify-$exe.txt" || fail "$exe: timestamped"
done
bash "$src/scripts/check-imports.sh" PelkinUpdate.exe PelkinCheck.exe
for exe in PelkinUpdate.exe PelkinCheck.exe; do
  ! objdump -h "$exe" | grep -q ' \.debug_' || fail "$exe carries debug data"
done

# The signed checker still runs, and judges the folder it came in.
status=0
out=$(wine PelkinCheck.exe . | tr -d '\r') || status=$?
[ $status -eq 0 ] || fail "clean release: exit code $status: $out"
[[ "$out" == *": clean" ]] || fail "clean release reads: $out"
rm -r ModelB
status=0
out=$(wine PelkinCheck.exe . | tr -d '\r') || status=$?
[ $status -eq 2 ] || fail "release without ModelB: exit code $status: $out"
[[ "$out" == "error: [ModelB] ModelB\\: firmware folder missing: devices of this model get Copy failed"* ]] \
  || fail "release without ModelB reads: $out"

# A certificate without a password signs as well.
cd "$work"
openssl pkcs12 -export -out nopass.pfx -inkey key.pem -in cert.pem -passout pass:
PELKIN_SIGN_PASSWORD= BUILD_DIR=$build bash "$src/scripts/dist.sh" --sign nopass.pfx --out "$work/dist-nopass" > dist-nopass.log \
  || { cat dist-nopass.log; fail "dist.sh --sign with a password-less certificate"; }
osslsigncode verify -CAfile cert.pem -in dist-nopass/PelkinUpdate.exe > verify-nopass.txt 2>&1 \
  || { cat verify-nopass.txt; fail "signed with a password-less certificate: signature does not verify"; }
echo "signed release $name verified"
