#!/usr/bin/env bash
# Checks that every C and C++ source of the tree is laid out as .clang-format
# says (Debian's clang-format, installed by install-deps.sh); prints the
# places that differ and fails if there are any. To fix them:
#   clang-format -i $(git ls-files '*.cpp' '*.h' '*.c')
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
else
  mapfile -t files < <(find app checker device framework hostsim res tests ui update \
    -name '*.cpp' -o -name '*.h' -o -name '*.c' | sort)
fi
clang-format --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files as .clang-format says"
