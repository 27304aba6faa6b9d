#!/usr/bin/env bash
# Installs everything the build, the tests, the format and analysis checks,
# the cross builds and the benchmarks need on Debian 12. Run as root (or
# through sudo).
# The armel architecture is added to apt so that the device-root test can
# download Debian's own armel C and C++ runtime (apt-get download); nothing
# of it is installed on this machine.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
dpkg --add-architecture armel
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format clang-tidy \
  make pkg-config file \
  googletest libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev \
  libssl-dev libmbedtls-dev openssl \
  g++-arm-linux-gnueabi g++-powerpc-linux-gnu qemu-user help2man \
  abigail-tools dpkg-dev doxygen >/dev/null
