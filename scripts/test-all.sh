#!/usr/bin/env bash
# Builds the library and runs every test suite: native, then under
# AddressSanitizer and UndefinedBehaviorSanitizer, with clang, then on the
# device's ARMv6 CPU and on a big-endian CPU, both under user-mode QEMU, and
# a bounded run of the fuzzers, and the API reference, whose build fails on
# an undocumented public entity. The device build's suite includes the ABI
# checks (exported symbols, dependencies, libabigail baseline) and the install
# test. Last, its Debian packages are built and checked, and the packaged
# kxutil runs in an armel root file system made of Debian's own packages.
# Each stage prints its wall-clock time.
set -euo pipefail
cd "$(dirname "$0")/.."
ulimit -c 0  # death tests must not leave core files

for preset in release sanitize clang armv6 ppc fuzz docs; do
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
tests/packages/check_split.sh build/armv6 armel
echo "=== packages: $((SECONDS - start)) s"

echo "=== device root (armv6)"
start=${SECONDS}
tests/packages/device_root.sh build/armv6
echo "=== device root: $((SECONDS - start)) s"
