#!/usr/bin/env bash
# Builds everything and runs every test under Wine, with Xvfb as the display.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-arch.sh
pelkin_configure build
echo "test.sh: the tests run $(pelkin_build_kind)"
cmake --build build
cd build
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure "$@"
