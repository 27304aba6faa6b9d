#!/usr/bin/env bash
# Installs the build's dependencies on Debian 12. Run as root (or through
# sudo).
#   scripts/install-deps.sh minimal   the library, kxutil and the native test
#                                     suite (the release and debug presets)
#   scripts/install-deps.sh [full]    everything scripts/test-all.sh and the
#                                     benchmarks need: clang and its
#                                     sanitizer and fuzzer runtimes, the
#                                     format and analysis tools, the ARM and
#                                     PowerPC cross compilers, QEMU,
#                                     libabigail, dpkg-dev, doxygen, mbed TLS
#                                     and Google Benchmark
# The full set also adds the armel architecture to apt, so that the
# device-root test can download Debian's own armel C and C++ runtime
# (apt-get download), and the booted-board stage its armel kernel, busybox
# and dpkg; nothing of it is installed on this machine.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

minimal=(
  cmake ninja-build g++ pkg-config  # the build; pkg-config for the install test
  libcli11-dev nlohmann-json3-dev help2man  # kxutil and its manual page
  googletest libgtest-dev libssl-dev openssl  # the tests; OpenSSL is their oracle
)
full=(
  "${minimal[@]}"
  clang libclang-rt-14-dev clang-format clang-tidy make file
  libbenchmark-dev libmbedtls-dev
  g++-arm-linux-gnueabi g++-powerpc-linux-gnu qemu-user
  abigail-tools dpkg-dev doxygen
  qemu-system-arm device-tree-compiler mtools dosfstools e2fsprogs fdisk kmod cpio lintian  # the booted board
  python3 ccache  # the size measure and the mutants
)

case "${1:-full}" in
  minimal) packages=("${minimal[@]}") ;;
  full)
    packages=("${full[@]}")
    dpkg --add-architecture armel
    ;;
  *)
    echo "usage: $0 [minimal|full]" >&2
    exit 2
    ;;
esac
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
