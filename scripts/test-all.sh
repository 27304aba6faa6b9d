#!/usr/bin/env bash
# Builds the library and runs every test suite: native, then under
# AddressSanitizer and UndefinedBehaviorSanitizer, under ThreadSanitizer, with
# clang, then on the device's ARMv6 CPU and on a big-endian CPU, both under
# user-mode QEMU, and finally the fuzzers, 30 s each, two at a time (the
# fuzz-long workflow preset runs them for 10 minutes each). The device build's
# suite includes the ABI checks (exported symbols, libabigail baseline) and
# the install test; its Debian packages are built and listed last.
# Each stage prints its wall-clock time.
set -euo pipefail
cd "$(dirname "$0")/.."
ulimit -c 0  # death tests must not leave core files

for preset in release sanitize tsan clang armv6 ppc fuzz; do
  echo "=== ${preset}"
  start=${SECONDS}
  cmake --workflow --preset "${preset}"
  echo "=== ${preset}: $((SECONDS - start)) s"
done

echo "=== packages (armv6)"
start=${SECONDS}
(cd build/armv6 && rm -f ./*.deb && cpack -G DEB >/dev/null)
for deb in build/armv6/*.deb; do
  echo "--- ${deb}"
  dpkg-deb --field "${deb}" Package Architecture Depends
  dpkg-deb --contents "${deb}"
done
arch=$(dpkg-deb --field build/armv6/libkxapi-utility1_*_armel.deb Architecture)
[[ ${arch} == armel ]] || { echo "runtime package is for ${arch}, not armel" >&2; exit 1; }
echo "=== packages: $((SECONDS - start)) s"
