#!/usr/bin/env bash
# Builds the updater and runs it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
# The tests' prefix: drives E: and F: are removable (see wine-prefix.sh).
export WINEPREFIX=$PWD/build/wineprefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || bash scripts/wine-prefix.sh "$WINEPREFIX" "$PWD/build/drives"
# Update.cfg and the firmware folders go beside the program, in build/app.
exec wine build/app/PelkinUpdate.exe
