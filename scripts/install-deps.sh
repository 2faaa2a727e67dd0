#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the updater:
# both MinGW-w64 cross compilers (posix threads), 64-bit Wine and its fonts,
# Xvfb, GoogleTest's sources, CMake, Ninja, the icon tools (wrestool also
# reads the version record), and what the release archive takes: zip, and
# osslsigncode and openssl for signing, and clang-format for the format
# check. Then, as a step of its own, 32-bit Wine, which runs the 32-bit
# build the product ships.
#
# Package mirrors are sometimes caught mid-sync: an index of the wrong size
# fails "apt-get update", and without the i386 index 32-bit Wine can't be
# installed at all (its libraries must match the amd64 ones exactly). So the
# update is tried a few times and then the indexes that did come are used;
# and when 32-bit Wine can't be installed, that is said in one line and the
# script still succeeds: scripts/wine-arch.sh then takes the 64-bit path, as
# on a kernel without 32-bit support. Safe to run again.
#
# PELKIN_APT_TRIES (default 3) and PELKIN_APT_PAUSE (seconds, default 10)
# set how often and how patiently the update is tried. A failed 32-bit step
# is remembered for a few hours (PELKIN_NO_WINE32_STAMP), so that run.sh
# doesn't ask the archive again at every start.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine
  xvfb xauth x11-utils
  googletest cmake ninja-build
  imagemagick icoutils
  zip unzip osslsigncode openssl
  clang-format
  locales
)
packages_32bit=(wine32:i386)

# The locales the tests start the program in: Wine takes the UI language
# from LANG, and a locale that isn't generated leaves it English
# (e2e_demo_german runs with LANG=de_DE.UTF-8). Generated when the script
# ends, once the locales package is there.
test_locales=(de_DE.UTF-8 fr_FR.UTF-8)
generate_test_locales() {
  command -v locale-gen >/dev/null || return 0
  local as_root="" l added=0
  [ "$(id -u)" = 0 ] || as_root=sudo
  for l in "${test_locales[@]}"; do
    locale -a 2>/dev/null | grep -qix "${l%.UTF-8}.utf8" && continue
    $as_root sed -i -E "s/^# *($l UTF-8)\$/\\1/" /etc/locale.gen
    grep -qx "$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | $as_root tee -a /etc/locale.gen >/dev/null
    added=1
  done
  [ $added = 0 ] || $as_root locale-gen >/dev/null
}
trap generate_test_locales EXIT

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_32bit < <(missing_of "${packages_32bit[@]}")
stamp=${PELKIN_NO_WINE32_STAMP:-/var/tmp/pelkin-no-wine32}
if [ ${#missing[@]} -eq 0 ] && [ ${#missing_32bit[@]} -gt 0 ] && [ -n "$(find "$stamp" -mmin -360 2>/dev/null)" ]; then
  echo "install-deps: 32-bit Wine could not be installed within the last 6 hours (remove $stamp to try again): the tests run the 64-bit build"
  exit 0
fi
if [ ${#missing[@]} -eq 0 ] && [ ${#missing_32bit[@]} -eq 0 ]; then
  echo "all packages present"
  exit 0
fi

sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
apt_install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$@"; }

if [ ${#missing_32bit[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi

# apt-get update, tried again while some index fails; then on with what came.
tries=${PELKIN_APT_TRIES:-3}
log=$(mktemp)
trap 'rm -f "$log"; generate_test_locales' EXIT
for ((try = 1; ; try++)); do
  $sudo apt-get update -qq >"$log" 2>&1 && break
  if [ "$try" -ge "$tries" ]; then
    failed=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' "$log" | paste -sd ' ' -)
    echo "install-deps: apt-get update failed $tries times; going on with the indexes it has (failed: ${failed:-$(tail -n 1 "$log")})"
    break
  fi
  sleep "${PELKIN_APT_PAUSE:-10}"
done

[ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"
if [ ${#missing_32bit[@]} -gt 0 ] && ! apt_install "${missing_32bit[@]}" >"$log" 2>&1; then
  echo "install-deps: 32-bit Wine (${missing_32bit[*]}) could not be installed: the tests will run the 64-bit build ($(grep -m 1 '^E:' "$log" || tail -n 1 "$log"))"
  touch "$stamp" 2>/dev/null || true
fi
exit 0
