#!/usr/bin/env bash
# Installs everything the build, the tests, the cross builds and the
# benchmarks need on Debian 12. Run as root (or through sudo).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++ clang make pkg-config file \
  googletest libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev \
  libssl-dev libmbedtls-dev \
  g++-arm-linux-gnueabi g++-powerpc-linux-gnu qemu-user \
  abigail-tools dpkg-dev >/dev/null
