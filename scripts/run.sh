#!/usr/bin/env bash
# Builds the updater, lays out dist/, and runs the demo build (dist/demo,
# simulated USB host) under Wine against the example "updated" scenario, as
# a user would: drive E: of its own Wine prefix (build/demo-prefix) is a
# removable drive backed by the folder build/demo-stick, where the copied
# firmware ends up. A screenshot of the final dialog goes to
# build/demo-screenshot.png. Runs on the current display, or on Xvfb when
# there is none; ends by itself and says in one line what happened.
# Installs the packages it needs first (scripts/install-deps.sh), so it
# works on a fresh Debian machine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-arch.sh"
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" != "--session" ]; then
  bash scripts/install-deps.sh >/dev/null
  bash scripts/dist.sh >/dev/null
  export WINEPREFIX=$root/build/demo-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p build/demo-stick
  rm -rf build/demo-stick/* build/demo-handshake build/demo-screenshot.png
  mkdir -p build/demo-handshake
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setting up the Wine prefix build/demo-prefix (once)..." >&2
    wineboot -i >/dev/null 2>&1 || true
  fi
  # Wine 8 as Debian builds it looks for its own fonts (fonts-wine) under
  # "<data dir>\../fonts", a path its file-name lookup can't resolve, so
  # Marlett (the caption buttons), Tahoma and the rest never load. In the
  # prefix's Fonts folder they do.
  for font in /usr/share/wine/fonts/*.ttf; do
    [ ! -f "$font" ] || ln -sfn "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  ln -sfn "$root/build/demo-stick" "$WINEPREFIX/dosdevices/e:"
  wine reg add 'HKLM\Software\Wine\Drives' /v e: /t REG_SZ /d floppy /f >/dev/null 2>&1
  # Drive types are read when the server starts: let this one end.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  status=0
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    bash "$0" --session || status=$?
  else
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --session || status=$?
  fi
  wineserver -k 2>/dev/null || true
  exit $status
fi

# The session, on a display: the driver starts the demo inside a Wine
# desktop of its own (so the dialog has its caption), reports the outcome,
# waits for the screenshot, then closes the dialog.
handshake=build/demo-handshake
winpath() { echo "Z:$1" | tr / '\\'; }
wine explorer /desktop=PelkinUpdate,640x480 \
  "$(winpath "$root/build/e2e/e2e_driver.exe")" --timeout 60 --expect Updated \
  --handshake "$(winpath "$root/$handshake")" "$(winpath "$root/dist/demo/PelkinUpdateDemo.exe")" \
  >/dev/null 2>&1 &
session=$!

waited=0
until [ -f $handshake/outcome.txt ] || [ $waited -ge 900 ]; do sleep 0.1; waited=$((waited + 1)); done
if [ -f $handshake/outcome.txt ]; then
  desktop=$(xwininfo -root -tree | awk '/"PelkinUpdate - Wine desktop"/ {print $1; exit}')
  import -window "${desktop:-root}" build/demo-screenshot.png 2>/dev/null || true
fi
touch $handshake/release
waited=0
until [ -f $handshake/result.txt ] || [ $waited -ge 300 ]; do sleep 0.1; waited=$((waited + 1)); done
kill $session 2>/dev/null || true
wait $session 2>/dev/null || true

if [ ! -f $handshake/result.txt ]; then
  echo "The demo did not reach an outcome within 90 s; traces: $handshake/traces.txt"
  exit 1
fi
files=$(cd build/demo-stick && ls | paste -sd ' ' -)
shot="no screenshot"
[ -f build/demo-screenshot.png ] && shot="screenshot build/demo-screenshot.png"
echo "$(tr -d '\r\n' < $handshake/result.txt); stick build/demo-stick holds: ${files:-nothing}; $shot"
grep -q '^Updated:' $handshake/result.txt
