#!/usr/bin/env bash
# Copy benchmark: the program's staged copy (write under a temporary name,
# flush, read back and compare, move into place) against the same job done
# by standard tools: cp, then sync of the copied files, then cmp of each
# copy against its source. Both copy the same package to the same
# removable Wine drive E: of a prefix of its own (build/bench-prefix),
# which as root is a tmpfs of 600 MiB (elsewhere a plain folder). Two
# packages of random bytes: 64 MiB in 4 files and 512 MiB in 2 files, with
# a SHA256SUMS, so that both sides check the package as well: the program
# hashes each file as it stages it, the tools run sha256sum -c first.
#   bash scripts/bench-copy.sh [RUNS]    (runs per package and method, the
#                                         best one counts; default 3)
# The program's time is that of the copy inside bench_copy.exe; the time
# of the whole bench_copy.exe process, Wine's start included, is printed
# apart. The last line is the ratio of
# the program's throughput to the tools', the lower of the two packages.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-arch.sh"
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-3}

cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target bench_copy >/dev/null
bench_exe=$root/build/tests/bench/bench_copy.exe
package=$root/build/bench-package

source scripts/bench-prefix.sh
drive=$drives/e
if mountpoint -q "$drive"; then where="tmpfs"; else where="plain folder (not root: no tmpfs)"; fi

# make_package SECTION FILES MIB_PER_FILE
make_package() {
  local dir=$package/$1 i
  mkdir -p "$dir"
  for ((i = 1; i <= $2; i++)); do
    if [ "$(stat -c %s "$dir/FW$i.BIN" 2>/dev/null || echo 0)" != $(($3 * 1048576)) ]; then
      head -c $(($3 * 1048576)) /dev/urandom >"$dir/FW$i.BIN"
    fi
  done
}

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'; }
clear_drive() { find "$drive" -mindepth 1 -delete; }
warm() { cat "$package/$1"/* >/dev/null; }

# Each prints the seconds of one run.
run_program() {
  clear_drive
  local out
  out=$(wine "$bench_exe" "Z:${package//\//\\}\\" "$1" 'E:\' | tr -d '\r')
  case $out in
    files*) echo "$out" | awk '{ print $6 }' ;;
    *) echo "bench_copy failed: $out" >&2; exit 1 ;;
  esac
}
run_process() {
  clear_drive
  local t0 t1
  t0=$(now)
  wine "$bench_exe" "Z:${package//\//\\}\\" "$1" 'E:\' >/dev/null
  t1=$(now)
  elapsed "$t0" "$t1"
}
run_tools() {
  clear_drive
  local t0 t1 f
  t0=$(now)
  (cd "$package" && grep "  $1/" SHA256SUMS | sha256sum -c --quiet --strict -)
  cp "$package/$1"/* "$drive/"
  sync "$drive"/*
  for f in "$package/$1"/*; do cmp "$f" "$drive/${f##*/}"; done
  t1=$(now)
  elapsed "$t0" "$t1"
}
run_cp() {
  clear_drive
  local t0 t1
  t0=$(now)
  cp "$package/$1"/* "$drive/"
  t1=$(now)
  elapsed "$t0" "$t1"
}

# bench SECTION MIB LABEL: prints one line, leaves the ratio in $ratio.
bench() {
  local program="" process="" tools="" plain="" i
  warm "$1"
  for ((i = 0; i < runs; i++)); do
    program=$(min "$program" "$(run_program "$1")")
    tools=$(min "$tools" "$(run_tools "$1")")
    plain=$(min "$plain" "$(run_cp "$1")")
    process=$(min "$process" "$(run_process "$1")")
  done
  clear_drive
  ratio=$(awk -v p="$program" -v t="$tools" 'BEGIN { printf "%.2f", t / p }')
  awk -v l="$3" -v m="$2" -v p="$program" -v s="$process" -v t="$tools" -v c="$plain" -v r="$ratio" 'BEGIN {
    printf "%-19s program %7.3f s %6.0f MiB/s | sha256sum+cp+sync+cmp %7.3f s %6.0f MiB/s | cp %7.3f s %6.0f MiB/s | ratio %s (bench_copy.exe process %.2f s)\n",
      l, p, m / p, t, m / t, c, m / c, r, s }'
}

make_package Bench64 4 16
make_package Bench512 2 256
(cd "$package" && find Bench64 Bench512 -type f | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS)
echo "drive E: $where; best of $runs runs"
bench Bench64 64 "64 MiB in 4 files:"
ratio64=$ratio
bench Bench512 512 "512 MiB in 2 files:"
ratio512=$ratio
awk -v a="$ratio64" -v b="$ratio512" 'BEGIN { printf "ratio %.2f (program / sha256sum -c+cp+sync+cmp, lower of the two packages; goal 1.0)\n", (a < b ? a : b) }'
