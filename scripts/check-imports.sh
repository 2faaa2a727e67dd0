#!/usr/bin/env bash
# Checks that each given executable imports from Windows system DLLs only
# (no MinGW runtime, no C++ library DLL beside it).
#   check-imports.sh EXE...
set -euo pipefail
allowed=' kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll shlwapi.dll setupapi.dll cfgmgr32.dll
          comctl32.dll comdlg32.dll ole32.dll oleaut32.dll version.dll msvcrt.dll ntdll.dll bcrypt.dll '
status=0
for exe in "$@"; do
  dlls=$("${PELKIN_ARCH:-i686}"-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  if [ -z "$dlls" ]; then
    echo "$exe: no import table found"; status=1; continue
  fi
  for dll in $dlls; do
    case "$allowed" in
      *" $dll "*|*" $dll"$'\n'*) ;;
      *) echo "$exe: imports $dll, which is not a Windows system DLL"; status=1 ;;
    esac
  done
  echo "$exe: imports $(echo $dlls)"
done
exit $status
