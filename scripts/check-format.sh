#!/usr/bin/env bash
# Fails when a C++ source or header of the project is not formatted as
# .clang-format says, and names each such file and line. The files are those
# git tracks (any *.cpp and *.h outside build/ when this is not a git
# checkout). Fix a file with: clang-format -i FILE
# The reference is clang-format 14, Debian 12's; another version may lay out
# a few constructs differently.
set -euo pipefail
cd "$(dirname "$0")/.."

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
else
  mapfile -d '' files < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
if [ "${#files[@]}" -eq 0 ]; then
  echo "check-format: no C++ files found" >&2
  exit 1
fi

if ! clang-format --dry-run -Werror "${files[@]}"; then
  echo "check-format: the files above are not formatted; run: clang-format -i FILE..." >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
