# Sourced by the benchmarks: their Wine prefix, build/bench-prefix, whose
# drives E: and F: under build/bench-drives are tmpfs drives of 600 MiB as
# root (elsewhere plain folders). Sets WINEPREFIX and friends, and on exit
# ends the prefix's server and unmounts the drives. Needs $root.
prefix=$root/build/bench-prefix
drives=$root/build/bench-drives
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash "$root/scripts/wine-prefix.sh" "$prefix" "$drives" 600m >/dev/null
finish() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  bash "$root/scripts/wine-prefix.sh" --unmount "$drives"
}
trap finish EXIT
