#!/usr/bin/env bash
# Builds the program and lays out dist/ as a vendor ships it:
#   dist/PelkinUpdate.exe, dist/PelkinUpdate.prm, dist/Update.cfg and the
#   firmware folder of the example "updated" scenario;
#   dist/demo/: the demo build (simulated host) with the same files and the
#   scenario hostsim.ini.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target PelkinUpdate PelkinUpdateDemo PelkinUpdate_prm e2e_driver >/dev/null

example=examples/updated
rm -rf dist
mkdir -p dist/demo
cp build/app/PelkinUpdate.exe build/app/PelkinUpdate.prm dist/
cp build/app/PelkinUpdateDemo.exe build/app/PelkinUpdate.prm dist/demo/
for item in "$example"/*; do
  case "$(basename "$item")" in
    hostsim.ini) cp "$item" dist/demo/ ;;
    *) cp -r "$item" dist/; cp -r "$item" dist/demo/ ;;
  esac
done
echo "dist/ laid out: $(cd dist && find . -type f | sort | tr '\n' ' ')"
