#!/usr/bin/env bash
# Builds the library and runs every test suite: native, then under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
ulimit -c 0  # death tests must not leave core files

for preset in release sanitize; do
  echo "=== ${preset}"
  cmake --workflow --preset "${preset}"
done
