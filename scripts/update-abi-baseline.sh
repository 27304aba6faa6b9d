#!/usr/bin/env bash
# Rewrites the libabigail baseline of the device build,
# release/abi/libKXAPI_Utility.armv6.abi, from the current tree, and prints how the
# exported symbols of the native and the device build differ from
# release/abi/exports/*.txt. Run it after an intended change of the ABI (a new
# function, a new class member) and commit the new baseline with the change.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset armv6 >/dev/null
cmake --build --preset armv6 --target abi-baseline
git --no-pager diff --stat -- release/abi/ || true

# The export lists are kept by hand, one file per family; show what to add
# or remove (the lists are the same for every target so far).
for preset in release armv6; do
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" --target KXAPI_Utility >/dev/null
  echo "=== exported symbols, ${preset}"
  ctest --preset "${preset}" -R '^abi\.exported_symbols$' --output-on-failure \
    | grep -v -e '^Test project' -e '^Label' -e '^ *abi *=' -e '^Total Test' -e '^$' || true
  echo "complete list: build/${preset}/release/abi/exports.actual.txt"
done
