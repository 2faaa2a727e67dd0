#!/usr/bin/env bash
# Creates (or refreshes) a Wine prefix for the tests: 32-bit, no Mono or
# Gecko prompts, and two removable drives E: and F: mapped to folders under
# DRIVES. As root each folder is a small tmpfs, so free space is real and
# small; elsewhere it is a plain folder. G: and H: are plain folders.
#   wine-prefix.sh PREFIX DRIVES [SIZE]      (SIZE per drive, default 2m)
#   wine-prefix.sh --unmount DRIVES
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-arch.sh"

unmount_drives() {
  for letter in e f; do
    if mountpoint -q "$1/$letter" 2>/dev/null; then umount "$1/$letter" || true; fi
  done
}

if [ "${1:-}" = "--unmount" ]; then
  unmount_drives "$2"
  exit 0
fi

prefix=$1
drives=$2
size=${3:-2m}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

unmount_drives "$drives"
for letter in e f; do
  mkdir -p "$drives/$letter"
  if [ "$(id -u)" = 0 ]; then
    mount -t tmpfs -o "size=$size" tmpfs "$drives/$letter" 2>/dev/null || true
  fi
done

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
fi
for letter in e f; do
  ln -sfn "$drives/$letter" "$prefix/dosdevices/$letter:"
  wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /t REG_SZ /d floppy /f >/dev/null 2>&1
done
# Two more drives, G: and H:, plain folders of Wine's own type (fixed):
# the station's example puts its sticks there, and its simulated host makes
# them removable while a device is plugged in. Drive letters are read when
# the server starts, so they are mapped here rather than by a test.
for letter in g h; do
  mkdir -p "$drives/$letter"
  rm -rf "$prefix/dosdevices/$letter:.left"
  ln -sfn "$drives/$letter" "$prefix/dosdevices/$letter:"
done
# Windows are not handed to an X window manager (there is none under Xvfb):
# otherwise Wine waits two seconds for one whenever a dialog closes.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# The layouts are measured at 96 DPI: a test at 144 DPI that was cut off
# before it removed its LogPixels leaves none behind here.
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
# Drive types are read when the server starts: let this one end.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
echo "wine prefix ready: $prefix (drives under $drives)"
