#!/usr/bin/env bash
# Builds the program and lays out dist/ as a vendor ships it:
#   dist/PelkinUpdate.exe, dist/PelkinUpdate.prm and its language modules
#   (PelkinUpdate.de.prm, PelkinUpdate.fr.prm), dist/Update.cfg and the
#   firmware folders of the example "updated" scenario, and the vendor's
#   checker dist/PelkinCheck.exe;
#   dist/demo/: the demo build (simulated host) with the same files and the
#   scenario hostsim.ini. The executables there are stripped of debug data.
# Then checks dist/ with PelkinCheck.exe under Wine (errors stop it here),
# signs PelkinUpdate.exe and PelkinCheck.exe when asked, and writes
# dist/PelkinUpdate-VERSION.zip: the release folder (without demo/) in a
# folder of that name, with a SHA256SUMS file of its files. VERSION comes
# from the version record of PelkinUpdate.exe.
#
#   dist.sh [--sign CERT.pfx] [--out DIR]
#
# --sign: Authenticode signature (SHA-256) with osslsigncode; the
#   certificate's password is taken from PELKIN_SIGN_PASSWORD (set it, empty
#   for none), and a timestamp server from PELKIN_TIMESTAMP_URL (none when
#   unset). --out: lay out DIR instead of dist. BUILD_DIR: the build tree
#   (default build). Relative paths are taken from where it is started,
#   the defaults from the source tree. WINEPREFIX: by default the tests'
#   prefix in the build tree.
set -euo pipefail

usage() { echo "usage: dist.sh [--sign CERT.pfx] [--out DIR]" >&2; exit 2; }
cert=""
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sign) [ $# -ge 2 ] || usage; cert=$(realpath -m "$2"); shift 2 ;;
    --out) [ $# -ge 2 ] || usage; out=$(realpath -m "$2"); shift 2 ;;
    *) usage ;;
  esac
done
[ -z "${BUILD_DIR:-}" ] || BUILD_DIR=$(realpath -m "$BUILD_DIR")
cd "$(dirname "$0")/.."
out=${out:-$PWD/dist}
build=${BUILD_DIR:-$PWD/build}
if [ -n "$cert" ]; then
  [ -f "$cert" ] || { echo "dist.sh: no certificate $cert" >&2; exit 1; }
  [ -n "${PELKIN_SIGN_PASSWORD+set}" ] || { echo "dist.sh: set PELKIN_SIGN_PASSWORD to the certificate's password" >&2; exit 1; }
  command -v osslsigncode >/dev/null || { echo "dist.sh: osslsigncode is missing (scripts/install-deps.sh)" >&2; exit 1; }
fi

source scripts/wine-arch.sh
pelkin_configure "$build"
[ "$PELKIN_ARCH" = i686 ] || echo "dist.sh: this machine runs no 32-bit programs: $(basename "$out")/ holds 64-bit builds, for tests only" >&2
cmake --build "$build" --target PelkinUpdate PelkinUpdateDemo PelkinUpdate_prm PelkinCheck e2e_driver >/dev/null

example=examples/updated
rm -rf "$out"
mkdir -p "$out/demo"
cp "$build/app/PelkinUpdate.exe" "$build/app/PelkinUpdate.prm" "$build/app/PelkinCheck.exe" "$out/"
cp "$build/app/PelkinUpdateDemo.exe" "$build/app/PelkinUpdate.prm" "$out/demo/"
cp "$build"/app/PelkinUpdate.*.prm "$out/"
cp "$build"/app/PelkinUpdate.*.prm "$out/demo/"
# What ships carries no debug data (most of an unstripped image is the
# static C++ runtime's DWARF); the build tree keeps the unstripped images
# for crash analysis.
for exe in "$out"/*.exe "$out"/demo/*.exe; do
  "$PELKIN_ARCH-w64-mingw32-strip" --strip-all "$exe"
done
for item in "$example"/*; do
  case "$(basename "$item")" in
    hostsim.ini) cp "$item" "$out/demo/" ;;
    expected.ini) ;;  # what the tests expect of the scenario
    *) cp -r "$item" "$out/"; cp -r "$item" "$out/demo/" ;;
  esac
done
echo "$(basename "$out")/ laid out: $(cd "$out" && find . -type f | sort | tr '\n' ' ')"

# The check, as a vendor runs it: warnings are shown, errors stop the release.
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
check=0
report=$(wine "$out/PelkinCheck.exe" "$out") || check=$?
printf '%s\n' "$report" | tr -d '\r'
if [ $check -ge 2 ]; then
  echo "dist.sh: PelkinCheck found errors in the release folder; no archive written" >&2
  exit 1
fi

sign() {
  local args=(sign -pkcs12 "$cert" -h sha256 -n PelkinUpdate -in "$1" -out "$1.signed")
  [ -z "${PELKIN_TIMESTAMP_URL:-}" ] || args+=(-ts "$PELKIN_TIMESTAMP_URL")
  # The password through a pipe, never on a command line others can read.
  # osslsigncode reads no password from an empty file, and a certificate
  # without one needs none given.
  if [ -n "$PELKIN_SIGN_PASSWORD" ]; then
    osslsigncode "${args[@]}" -readpass <(printf '%s' "$PELKIN_SIGN_PASSWORD") >/dev/null
  else
    osslsigncode "${args[@]}" >/dev/null
  fi
  mv "$1.signed" "$1"
}
if [ -n "$cert" ]; then
  sign "$out/PelkinUpdate.exe"
  sign "$out/PelkinCheck.exe"
  echo "signed PelkinUpdate.exe and PelkinCheck.exe with $(basename "$cert")"
fi

# The file version of the executable's version record: the fixed part
# follows its signature 0xFEEF04BD and the structure's version, as two
# little-endian numbers (major.minor, build.revision); a revision of 0 is
# left out.
exe_version() {
  local bytes rest
  bytes=$(wrestool -x --raw -t 16 "$1" | od -An -v -tx1 | tr -s ' \n' ' ')
  rest=${bytes#* bd 04 ef fe }
  [ "$rest" != "$bytes" ] || { echo "dist.sh: $1 has no version record" >&2; return 1; }
  set -- $rest
  local ms=$((0x$8$7$6$5)) ls=$((0x${12}${11}${10}$9))
  local version="$((ms >> 16)).$((ms & 0xffff)).$((ls >> 16))"
  [ $((ls & 0xffff)) -eq 0 ] || version="$version.$((ls & 0xffff))"
  echo "$version"
}
name=PelkinUpdate-$(exe_version "$out/PelkinUpdate.exe")

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
for item in "$out"/*; do
  [ "$(basename "$item")" = demo ] || cp -r "$item" "$stage/$name/"
done
(cd "$stage/$name" && find . -type f ! -path ./SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum > SHA256SUMS)
(cd "$stage" && zip -q -r -X "$out/$name.zip" "$name")
echo "wrote $out/$name.zip"
