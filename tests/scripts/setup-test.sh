#!/usr/bin/env bash
# install-deps.sh against stub apt-get, dpkg-query and dpkg on PATH: a
# mirror caught mid-sync (every update fails, 32-bit Wine can't be
# installed) still installs the rest and succeeds; an update that fails once
# is tried again; a failed install of the rest fails the script. And
# wine-arch.sh's removal of Wine prefixes made for the other architecture.
#   setup-test.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=$1
work=$2
rm -rf "$work"
mkdir -p "$work/bin"
fail() { echo "FAILED: $*"; exit 1; }

# The stubs log their calls; STUB_* say what is installed and what fails.
cat > "$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >> "$STUB_LOG"
if [ "$1" = update ]; then
  n=$(grep -c '^apt-get update' "$STUB_LOG")
  if [ "$n" -le "${STUB_UPDATE_FAILS:-0}" ]; then
    echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (375000 != 376004). Mirror sync in progress? [IP: 127.0.0.1 80]"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100
  fi
  exit 0
fi
for p in "$@"; do
  case "$p" in
    *:i386) [ -z "${STUB_I386_BROKEN:-}" ] || { echo "E: Unable to correct problems, you have held broken packages."; exit 100; } ;;
    -*|install) ;;
    *) [ -z "${STUB_INSTALL_BROKEN:-}" ] || { echo "E: Unable to locate package $p"; exit 100; } ;;
  esac
done
STUB
cat > "$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
for p in $STUB_INSTALLED; do [ "$p" = "${!#}" ] && { printf 'install ok installed'; exit 0; }; done
exit 1
STUB
cat > "$work/bin/dpkg" <<'STUB'
#!/usr/bin/env bash
echo "dpkg $*" >> "$STUB_LOG"
[ "$1" != --print-foreign-architectures ] || echo "${STUB_FOREIGN:-}"
STUB
printf '#!/bin/sh\nexec "$@"\n' > "$work/bin/sudo"
# The test locales are there already: nothing to generate.
printf '#!/bin/sh\nprintf "C.utf8\\nde_DE.utf8\\nfr_FR.utf8\\n"\n' > "$work/bin/locale"
chmod +x "$work/bin/"*

all=$(sed -n '/^packages=(/,/^)/p' "$src/scripts/install-deps.sh" | sed '1d;$d' | tr -s ' \n' ' ')
export PATH="$work/bin:$PATH" PELKIN_APT_PAUSE=0 STUB_LOG="$work/calls.log" PELKIN_NO_WINE32_STAMP="$work/no-wine32"
# install-deps [ENV=VALUE...]: runs the script, its output in $out, its exit code in $status.
install_deps() {
  : > "$STUB_LOG"
  status=0
  out=$(env "$@" bash "$src/scripts/install-deps.sh" 2>&1) || status=$?
}

# Everything there: nothing asked of the archive.
install_deps STUB_INSTALLED="$all wine32:i386"
[ $status -eq 0 ] && [ "$out" = "all packages present" ] || fail "all present: $status: $out"
[ ! -s "$STUB_LOG" ] || fail "all present, yet: $(cat "$STUB_LOG")"

# A mirror mid-sync: three updates, one line naming the failed index, the
# rest installed, 32-bit Wine tried on its own, one line for it, success.
install_deps STUB_INSTALLED="cmake" STUB_UPDATE_FAILS=9 STUB_I386_BROKEN=1
[ $status -eq 0 ] || fail "mirror mid-sync: exit code $status: $out"
[ "$(grep -c '^apt-get update' "$STUB_LOG")" -eq 3 ] || fail "mirror mid-sync: $(cat "$STUB_LOG")"
grep -q '^dpkg --add-architecture i386$' "$STUB_LOG" || fail "i386 not added: $(cat "$STUB_LOG")"
[ "$(printf '%s\n' "$out" | wc -l)" -eq 2 ] || fail "mirror mid-sync says: $out"
[[ "$out" == *"failed: http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"* ]] \
  || fail "the failed index is not named: $out"
[[ "$out" == *"32-bit Wine (wine32:i386) could not be installed"*"held broken packages"* ]] || fail "32-bit step: $out"
rest=$(grep '^apt-get install' "$STUB_LOG" | head -n 1)
[[ "$rest" == *" wine64 "* && "$rest" == *" g++-mingw-w64-i686-posix "* && "$rest" != *i386* && "$rest" != *" cmake "* ]] \
  || fail "the rest installed as: $rest"
[ "$(grep -c '^apt-get install.* wine32:i386$' "$STUB_LOG")" -eq 1 ] || fail "32-bit Wine: $(cat "$STUB_LOG")"

# Only 32-bit Wine missing, and it failed a moment ago: not asked again.
install_deps STUB_INSTALLED="$all" STUB_FOREIGN=i386
[ $status -eq 0 ] && [ ! -s "$STUB_LOG" ] && [[ "$out" == *"could not be installed within the last 6 hours"* ]] \
  || fail "after a failed 32-bit step: $status: $out: $(cat "$STUB_LOG")"
rm "$PELKIN_NO_WINE32_STAMP"

# An update that fails once is tried again; then all is installed, quietly.
install_deps STUB_INSTALLED="" STUB_UPDATE_FAILS=1 STUB_FOREIGN=i386
[ $status -eq 0 ] && [ -z "$out" ] || fail "one failed update: $status: $out"
[ "$(grep -c '^apt-get update' "$STUB_LOG")" -eq 2 ] || fail "one failed update: $(cat "$STUB_LOG")"
! grep -q 'add-architecture' "$STUB_LOG" || fail "i386 added twice"
[ ! -e "$PELKIN_NO_WINE32_STAMP" ] || fail "32-bit Wine installed, yet remembered as failed"

# What every build needs can't be installed: the script fails.
install_deps STUB_INSTALLED="" STUB_INSTALL_BROKEN=1
[ $status -ne 0 ] || fail "a failed install succeeded: $out"

# Wine prefixes under a build tree: those made for the other architecture go.
mkdir -p "$work/build/win32" "$work/build/win64"
echo "#arch=win32" > "$work/build/win32/system.reg"
echo "#arch=win64" > "$work/build/win64/system.reg"
(PELKIN_ARCH=i686 && source "$src/scripts/wine-arch.sh" && pelkin_fresh_prefixes "$work/build")
[ -d "$work/build/win32" ] && [ ! -e "$work/build/win64" ] || fail "prefixes left: $(ls "$work/build")"
echo "setup scripts: all cases passed"
