# Sourced by the scripts: which Windows the programs are built for and run
# under Wine as.
#
# The updater is a 32-bit program, and so are its builds wherever this
# machine can run 32-bit Linux programs (32-bit Wine needs them). Some
# kernels can't: their 32-bit emulation is switched off, and every 32-bit
# program fails with "Exec format error". There the same sources are built
# for 64-bit Windows and run under 64-bit Wine, so that the tests and the
# demo still run; the release archive (dist.sh) is built 32-bit everywhere.
#
# Sets PELKIN_ARCH (i686 or x86_64) and WINEARCH, and for x86_64 puts
# scripts/wine64 first on PATH, since Debian's "wine" takes the 32-bit
# loader whenever it is installed, runnable or not.
pelkin_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${PELKIN_ARCH:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    PELKIN_ARCH=i686
  elif [ -x /usr/lib/wine/wine64 ]; then
    PELKIN_ARCH=x86_64
  else
    PELKIN_ARCH=i686
  fi
fi
if [ "$PELKIN_ARCH" = x86_64 ]; then
  WINEARCH=win64
  WINELOADER=/usr/lib/wine/wine64
  case ":$PATH:" in *":$pelkin_scripts/wine64:"*) ;; *) PATH="$pelkin_scripts/wine64:$PATH" ;; esac
  export WINELOADER PATH
else
  WINEARCH=win32
fi
export PELKIN_ARCH WINEARCH

# pelkin_fresh_prefixes DIR: removes every Wine prefix directly in DIR that
# was made for the other architecture (Wine refuses to run a win32 prefix as
# win64 and the other way round); the scripts make them anew when needed.
pelkin_fresh_prefixes() {
  local reg
  for reg in "$1"/*/system.reg; do
    [ -f "$reg" ] || continue
    grep -qx "#arch=$WINEARCH" "$reg" || rm -rf "$(dirname "$reg")"
  done
}

# pelkin_configure BUILD_DIR: configures the build tree for PELKIN_ARCH; a
# tree configured for the other one is configured anew, and its Wine
# prefixes are made anew.
pelkin_configure() {
  local toolchain=$pelkin_scripts/../cmake/mingw-$PELKIN_ARCH.cmake
  toolchain=$(realpath "$toolchain")
  if [ -f "$1/CMakeCache.txt" ] && ! grep -qx "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$1/CMakeCache.txt"; then
    rm -rf "$1/CMakeCache.txt" "$1/CMakeFiles"
  fi
  pelkin_fresh_prefixes "$1"
  cmake -S "$pelkin_scripts/.." -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
}

# pelkin_build_kind: says in words which build the tests and the demo run.
pelkin_build_kind() {
  if [ "$PELKIN_ARCH" = i686 ]; then
    echo "the 32-bit build (i686) under 32-bit Wine"
  else
    echo "the 64-bit build (x86_64) under 64-bit Wine: this machine has no working 32-bit Wine"
  fi
}
