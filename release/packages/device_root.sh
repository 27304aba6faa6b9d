#!/usr/bin/env bash
# Runs the packaged kxutil as the device would: in an armel root file system
# made of Debian's own armel C and C++ runtime packages and the project's
# library, stand-in and kxutil packages from BUILD_DIR, each unpacked with
# dpkg -x, under qemu-arm with the device's CPU (ARM1176). The loader finds
# the library in the root's own /usr/lib/arm-linux-gnueabi; nothing of the
# build tree or of this machine's cross libraries takes part.
#   device_root.sh BUILD_DIR
# Debian's packages are downloaded once (needs the armel architecture in apt,
# see scripts/install-deps.sh) and kept in BUILD_DIR/device-root/debs.
set -euo pipefail
build=$(realpath "$1")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${build}/CMakeCache.txt")
major=${version%%.*}
work=${build}/device-root
cache=${work}/debs
root=${work}/root
key=000102030405060708090a0b0c0d0e0f
text='written on the device'

mkdir -p "${cache}"
rm -rf "${root}"
mkdir -p "${root}"
for package in libc6 libstdc++6 libgcc-s1; do
  if ! compgen -G "${cache}/${package}_*_armel.deb" >/dev/null; then
    (cd "${cache}" && apt-get -q -o APT::Sandbox::User=root download "${package}:armel") || {
      echo "cannot download ${package}:armel; scripts/install-deps.sh adds the armel architecture" >&2
      exit 1
    }
  fi
done
for deb in "${cache}"/*_armel.deb \
  "${build}/libkxapi-utility${major}_${version}_armel.deb" \
  "${build}/libkxapi-platform${major}_${version}_armel.deb" \
  "${build}/kxutil_${version}_armel.deb"; do
  dpkg -x "${deb}" "${root}"
done
mkdir -p "${root}/etc/kx"
printf '[package]\nVersion Major="02" Minor="11" BuildNum="4711"\n' >"${root}/etc/kx/package.version"

failures=0
check() {  # check WHAT ACTUAL EXPECTED
  if [[ $2 == "$3" ]]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: got '$2', expected '$3'" >&2
    failures=$((failures + 1))
  fi
}
device() { qemu-arm -cpu arm1176 -L "${root}" "${root}/usr/bin/kxutil" "$@"; }

# The packaged kxutil's run path leads from its own place to the library
# directory, never into the build tree.
check "kxutil's run path" "$(readelf -d "${root}/usr/bin/kxutil" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')" \
  '$ORIGIN/../lib/arm-linux-gnueabi'
check "kxutil --version" "$(device --version)" "kxutil ${version}"
# The guest's loader reports every library it initialises (-E: for the guest only).
loaded=$(qemu-arm -cpu arm1176 -L "${root}" -E LD_DEBUG=libs "${root}/usr/bin/kxutil" --version 2>&1 >/dev/null |
  sed -n 's/.*calling init: //p')
# (Found through the run path, the library is <root>/usr/bin/../lib/...:
# under the emulator $ORIGIN is the root's /usr/bin as seen from outside.)
check "the library comes from the root's /usr/lib/arm-linux-gnueabi" \
  "$(grep -c -E "^(${root})?/usr(/bin/\.\.)?/lib/arm-linux-gnueabi/libKXAPI_Utility\.so\.${major}\$" <<<"${loaded}")" 1
check "the C library comes from the root's /lib/arm-linux-gnueabi" \
  "$(grep -c '^/lib/arm-linux-gnueabi/libc\.so\.6$' <<<"${loaded}")" 1
expected=$(printf '%s' "${text}" | openssl enc -aes-128-ecb -K "${key}" | base64)
check "kxutil encrypt equals openssl enc -aes-128-ecb | base64" \
  "$(device encrypt --key-hex "${key}" "${text}")" "${expected}"
check "kxutil decrypt reads it back" "$(device decrypt --key-hex "${key}" "${expected}")" "${text}"
check "kxutil version reads the root's version file" \
  "$(device version /etc/kx/package.version)" "Version: 02-11-4711"

((failures == 0)) || exit 1
