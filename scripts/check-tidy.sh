#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the sources of the
# library (utility/), the platform library (platform/), kxutil (tools/kxutil/)
# and the tests (tests/), and the project's headers they include, with the compile
# commands of the release build. Fails on any finding. The reference is
# clang-tidy 14, Debian 12's.
#
# Fix each finding; where the fixed ABI requires the code as it is, silence
# it at its line with "// NOLINT(check-name): reason".
set -euo pipefail
cd "$(dirname "$0")/.."

# Configuring writes build/release/compile_commands.json; nothing is built.
cmake --preset release >/dev/null

# run-clang-tidy takes regular expressions over the database's file names.
root=$(printf '%s' "${PWD}" | sed 's/[][\.*^$+?(){}|]/\\&/g')
log=$(mktemp)
trap 'rm -f "${log}"' EXIT
status=0
run-clang-tidy -quiet -j "$(nproc)" -p build/release \
  "^${root}/(utility|platform|tools/kxutil|tests)/.*\.cpp$" >"${log}" 2>&1 || status=$?

# Drop the command line of each file and clang-tidy's count of the warnings
# it found and suppressed in headers outside the project.
grep -v -E '^clang-tidy(-[0-9]+)? |^[0-9]+ warnings? generated\.$' "${log}" || true
files=$(grep -c -E '^clang-tidy(-[0-9]+)? ' "${log}" || true)
if [ "${status}" -ne 0 ]; then
  echo "check-tidy: findings in the files above (${files} files checked)" >&2
  exit 1
fi
if [ "${files}" -eq 0 ]; then
  echo "check-tidy: no source file matched in build/release/compile_commands.json" >&2
  exit 1
fi
echo "check-tidy: ${files} files, no findings"
