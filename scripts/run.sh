#!/usr/bin/env bash
# Builds the updater and runs it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
if [ ! -f build/app/PelkinUpdate.exe ]; then
  echo "Built the configuration reader and its tests; the updater's dialog is not part of the build yet, so there is nothing to run."
  exit 0
fi
