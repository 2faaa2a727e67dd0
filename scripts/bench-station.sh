#!/usr/bin/env bash
# Station benchmark: the station example's two devices of the models A and
# C, each with a package of 256 MiB of random bytes and a SHA256SUMS, both
# plugged in before
# the station window opens, updated with /parallel 1 and then with
# /parallel 2. The drives E: and F: of a prefix of its own
# (build/bench-prefix) are tmpfs drives of 600 MiB each as root (elsewhere
# plain folders). station_bench.exe times each run from the first row the
# window lists to the counters naming both devices updated, and asks the
# window WM_NULL every 10 ms meanwhile. The last line: the ratio of the two
# times (goal: at most 0.75) and the longest answer (goal: under 200 ms).
#   bash scripts/bench-station.sh [RUNS]   (runs per setting, the best
#                                           one counts; default 2)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-arch.sh"
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-2}

cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target station_bench PelkinUpdateDemo PelkinUpdate_prm >/dev/null
program=$root/build/bench-station

source scripts/bench-prefix.sh
if mountpoint -q "$drives/e"; then where="tmpfs"; else where="plain folders (not root: no tmpfs)"; fi

# The example's program folder, its two packages made large, and a host
# where Model A sits on E: and Model C on F: from the start.
mkdir -p "$program"
cp build/app/PelkinUpdateDemo.exe build/app/PelkinUpdate.prm examples/station/Update.cfg "$program/"
for model in ModelA ModelC; do
  mkdir -p "$program/$model"
  if [ "$(stat -c %s "$program/$model/FIRMWARE.BIN" 2>/dev/null || echo 0)" != 268435456 ]; then
    head -c 268435456 /dev/urandom >"$program/$model/FIRMWARE.BIN"
  fi
done
awk '/^\[Device1\]/ { skip = 1 } /^\[Device[2-3]\]/ { skip = 0 } /^\[Device4\]/ { skip = 1 }
     /^(Arrive|Leave)=/ { next } !skip' examples/station/hostsim.ini |
  sed -e 's/^Drive=G$/Drive=F/' -e 's/^\[Device2\]/[Device1]/' -e 's/^\[Device3\]/[Device2]/' >"$program/hostsim.ini"
# As a vendor ships it: the copy hashes each file against SHA256SUMS.
(cd "$program" && sha256sum Update.cfg ModelA/FIRMWARE.BIN ModelC/FIRMWARE.BIN >SHA256SUMS)

winpath() { echo "Z:$1" | tr / '\\'; }
# run N: the seconds and the longest answer of one run with /parallel N.
run() {
  find "$drives/e" "$drives/f" -mindepth 1 -delete
  xvfb-run -a -s "-screen 0 1024x768x24" wine build/tests/bench/station_bench.exe 2 \
    "$(winpath "$program/PelkinUpdateDemo.exe")" /station /parallel "$1" | tr -d '\r'
}
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'; }
longest=0
for n in 1 2; do
  t=""
  for ((i = 0; i < runs; i++)); do
    out=$(run $n)
    echo "/parallel $n: $out"
    t=$(best "$t" "$(echo "$out" | awk '{ print $2 }')")
    longest=$(echo "$out" | awk -v l="$longest" '{ print ($6 + 0 > l + 0) ? $6 : l }')
  done
  eval "t$n=$t"
done
echo "drives E: and F: $where; two devices, 256 MiB each; best of $runs runs"
awk -v a="$t1" -v b="$t2" -v l="$longest" 'BEGIN {
  printf "/parallel 1 %.2f s, /parallel 2 %.2f s: ratio %.2f (goal at most 0.75); longest WM_NULL answer %s ms (goal under 200)\n",
    a, b, b / a, l }'
