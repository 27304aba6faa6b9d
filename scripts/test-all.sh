#!/usr/bin/env bash
# Measures the tests against the code first (scripts/test-size.py: fails above
# 0.40) and checks the formatting of every C++ file (seconds), then builds the
# library and runs every test suite: native, followed by the static analysis
# of the library, the platform library and kxutil (clang-tidy), then under
# AddressSanitizer and UndefinedBehaviorSanitizer, under ThreadSanitizer, with
# clang, then on the device's ARMv6 CPU and on a big-endian CPU, both under
# user-mode QEMU, then the fuzzers, 30 s each, two at a time (the fuzz-long
# workflow preset runs them for 10 minutes each), the API reference, whose
# build fails on an undocumented public entity, and the benchmarks (built,
# not run: their warnings are errors too). The device build's suite
# includes the ABI checks (exported symbols, dependencies, libabigail
# baseline) and the install test. Last, its Debian packages are built and
# checked, and the packaged kxutil runs in an armel root file system made of
# Debian's own packages. Finally, the device-system stage boots Debian's armel
# kernel on an emulated Raspberry Pi Zero (ARM1176) with an SD card and a USB
# stick, installs the packages there with dpkg and compares the library's
# answers with the board's own view (scripts/device-system.sh). Last, a fixed sample of rule-made faults is
# planted in the code one at a time (scripts/mutate.py --fixed): each must fail
# the suite or be listed as equivalent in scripts/mutants-equivalent.txt.
# Each stage prints its wall-clock time.
set -euo pipefail
cd "$(dirname "$0")/.."
ulimit -c 0  # death tests must not leave core files

# stage NAME COMMAND...: runs COMMAND under a heading and prints its time.
stage() {
  local name=$1 start=${SECONDS}
  shift
  echo "=== ${name}"
  "$@"
  echo "=== ${name}: $((SECONDS - start)) s"
}

stage size scripts/test-size.py
stage format scripts/check-format.sh
stage release cmake --workflow --preset release
stage analysis scripts/check-tidy.sh
for preset in sanitize tsan clang armv6 ppc fuzz docs bench; do
  stage "${preset}" cmake --workflow --preset "${preset}"
  if [[ ${preset} == armv6 ]]; then stage icount-guard scripts/icount-guard.sh; fi
done

echo "=== packages (armv6)"
start=${SECONDS}
(cd build/armv6 && rm -f ./*.deb && cpack -G DEB >/dev/null)
for deb in build/armv6/*.deb; do
  echo "--- ${deb}"
  dpkg-deb --field "${deb}" Package Architecture Depends
  dpkg-deb --contents "${deb}"
done
release/packages/check_split.sh build/armv6 armel
echo "=== packages: $((SECONDS - start)) s"

echo "=== device root (armv6)"
start=${SECONDS}
release/packages/device_root.sh build/armv6
echo "=== device root: $((SECONDS - start)) s"

echo "=== device-system (armv6)"
start=${SECONDS}
scripts/device-system.sh build/armv6
echo "=== device-system: $((SECONDS - start)) s"

stage mutate scripts/mutate.py --fixed
