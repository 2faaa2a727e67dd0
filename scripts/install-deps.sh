#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the updater:
# the MinGW-w64 i686 cross compiler (posix threads), 32-bit Wine, Xvfb,
# GoogleTest's sources, CMake, Ninja, the icon tools (wrestool also reads
# the version record), and what the release archive takes: zip, and
# osslsigncode and openssl for signing, and clang-format for the format
# check. Where the kernel runs no 32-bit programs, the 64-bit compiler and
# Wine stand in (scripts/wine-arch.sh). Safe to run again.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64
  xvfb xauth x11-utils
  googletest cmake ninja-build
  imagemagick icoutils
  zip unzip osslsigncode openssl
  clang-format
  locales
)

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

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && { echo "all packages present"; exit 0; }

sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
