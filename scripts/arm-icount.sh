#!/usr/bin/env bash
# Counts the instructions that the cipher engine executes per byte on the
# emulated device CPU, beside Debian armel's OpenSSL (ARM assembly) and
# mbed TLS (C tables), and prints a Markdown table.
#
# qemu-arm -cpu arm1176 -singlestep -d exec,nochain writes one "Trace" line
# per executed instruction. The cost of N blocks is count(N) - count(0) of
# the same driver (bench/arm/), so start-up, table build, key set-up and the
# warm-up block, which binds the lazy symbols, cancel out. The drivers'
# outputs are compared (in runs that are not counted) before any count is
# shown; a mismatch ends the script with status 1.
#
# Normally run by the armv6 preset, which builds this library's driver:
#   cmake --preset armv6 && cmake --build --preset armv6 --target arm-icount
# The peers' packages (libssl3, libssl-dev, libmbedcrypto7, libmbedtls-dev
# for armel) are downloaded with apt-get and unpacked with dpkg -x into
# WORK/root, not installed; the first run needs root to add the armel
# architecture to dpkg. The peers' counts are kept in WORK/peer-counts.txt
# and reused while their drivers and libraries are unchanged.
set -euo pipefail

usage() {
  echo "usage: $0 --driver KX_DRIVER --cxx ARM_CXX --sysroot DIR --work DIR" >&2
  exit 2
}

driver="" cxx="" sysroot="" work=""
while (($#)); do
  case $1 in
    --driver) driver=$2 ;;
    --cxx) cxx=$2 ;;
    --sysroot) sysroot=$2 ;;
    --work) work=$2 ;;
    *) usage ;;
  esac
  shift 2 || usage
done
[[ -n ${driver} && -n ${cxx} && -n ${sysroot} && -n ${work} ]] || usage
src=$(cd "$(dirname "$0")/../bench/arm" && pwd)
root=${work}/root
libdir=${root}/usr/lib/arm-linux-gnueabi
mkdir -p "${work}"

# --- the peers: Debian's armel packages, unpacked -----------------------------
peer_packages=(libssl3:armel libssl-dev:armel libmbedcrypto7:armel libmbedtls-dev:armel)
if [[ ! -e ${root}/.unpacked ]]; then
  if ! dpkg --print-foreign-architectures | grep -qx armel; then
    dpkg --add-architecture armel
    apt-get update -qq
  fi
  rm -rf "${work}/debs" "${root}"
  mkdir -p "${work}/debs" "${root}"
  # apt's download user cannot write into a build tree owned by root.
  chmod 777 "${work}/debs"
  (cd "${work}/debs" && apt-get download -qq "${peer_packages[@]}") ||
    { apt-get update -qq && (cd "${work}/debs" && apt-get download -qq "${peer_packages[@]}"); }
  for deb in "${work}"/debs/*.deb; do dpkg -x "${deb}" "${root}"; done
  touch "${root}/.unpacked"
fi

build_peer() {  # NAME LIB
  "${cxx}" -std=c++17 -O2 -march=armv6 -marm -Wall -Wno-deprecated-declarations \
    -I"${root}/usr/include" -I"${root}/usr/include/arm-linux-gnueabi" \
    "${src}/icount_$1.cpp" -o "${work}/icount_$1" -L"${libdir}" "-l$2"
}
build_peer openssl crypto
build_peer mbedtls mbedcrypto

declare -A program=([openssl]=${work}/icount_openssl [mbedtls]=${work}/icount_mbedtls [kx]=${driver})

run() {  # IMPL ARGS...: runs a driver on the emulated CPU
  local impl=$1
  shift
  qemu-arm -cpu arm1176 -L "${sysroot}" -E "LD_LIBRARY_PATH=${libdir}" "${qemu_trace[@]}" \
    "${program[${impl}]}" "$@"
}

count() {  # IMPL ARGS...: instructions executed by one run
  local fifo=${work}/trace.fifo
  rm -f "${fifo}"
  mkfifo "${fifo}"
  grep -c '^Trace' <"${fifo}" >"${work}/trace.count" &
  qemu_trace=(-singlestep -d exec,nochain -D "${fifo}")
  run "$@" >/dev/null
  qemu_trace=()
  wait $!
  rm -f "${fifo}"
  cat "${work}/trace.count"
}
qemu_trace=()

# Peer counts are cached under the checksum of the driver and its library.
cache=${work}/peer-counts.txt
touch "${cache}"
declare -A fingerprint=(
  [openssl]=$(cat "${program[openssl]}" "${libdir}/libcrypto.so.3" | sha1sum | cut -c1-12)
  [mbedtls]=$(cat "${program[mbedtls]}" "${libdir}/libmbedcrypto.so.7" | sha1sum | cut -c1-12)
)

cost() {  # IMPL OP KEY BLOCK COUNT: instructions of COUNT units beyond COUNT 0
  # "-z" in the key: counted against a zero run of equal width (below), so
  # that counts cached the older way are not reused.
  local impl=$1 key="$1-${fingerprint[$1]:-}-z $2 $3 $4 $5" hit
  shift
  if [[ ${impl} != kx ]] && hit=$(grep -m1 "^${key} = " "${cache}"); then
    echo "${hit##* = }"
    return
  fi
  local with without
  with=$(count "${impl}" "$@")
  # A zero of the same width keeps the argument strings, whose alignment the
  # start-up cost depends on, where they are in the counted run.
  without=$(count "${impl}" "$1" "$2" "$3" "$(printf '%0*d' "${#4}" 0)")
  local diff=$((with - without))
  [[ ${impl} == kx ]] || echo "${key} = ${diff}" >>"${cache}"
  echo "${diff}"
}

# Rows: label | op keybits blockbits count | unit bytes (the divisor).
rows=(
  "ECB encrypt, 128-bit key|ecb-enc 128 128 64|1024"
  "ECB encrypt, 192-bit key|ecb-enc 192 128 64|1024"
  "ECB encrypt, 256-bit key|ecb-enc 256 128 64|1024"
  "ECB decrypt, 128-bit key|ecb-dec 128 128 64|1024"
  "ECB decrypt, 192-bit key|ecb-dec 192 128 64|1024"
  "ECB decrypt, 256-bit key|ecb-dec 256 128 64|1024"
  "CBC encrypt, 128-bit key|cbc-enc 128 128 64|1024"
  "CBC encrypt, 192-bit key|cbc-enc 192 128 64|1024"
  "CBC encrypt, 256-bit key|cbc-enc 256 128 64|1024"
  "text encryption, 16-byte text (per text byte)|text 128 128 16|16"
  "text encryption, 1 KiB text (per text byte)|text 128 128 1024|1024"
  "ECB encrypt, 256-bit key, 192-bit block|ecb-enc 256 192 42|1008"
  "ECB decrypt, 256-bit key, 192-bit block|ecb-dec 256 192 42|1008"
  "CBC encrypt, 256-bit key, 192-bit block|cbc-enc 256 192 42|1008"
  "ECB encrypt, 256-bit key, 256-bit block|ecb-enc 256 256 32|1024"
  "ECB decrypt, 256-bit key, 256-bit block|ecb-dec 256 256 32|1024"
  "CBC encrypt, 256-bit key, 256-bit block|cbc-enc 256 256 32|1024"
  "table build, once per process (instructions)|tables 128 128 1|1"
)

echo "| instructions per byte, qemu-arm -cpu arm1176 | OpenSSL | mbed TLS | this library | this library / OpenSSL |"
echo "|---|---|---|---|---|"
for row in "${rows[@]}"; do
  IFS='|' read -r label job unit <<<"${row}"
  read -r -a args <<<"${job}"
  declare -A out=()
  for impl in openssl mbedtls kx; do
    status=0
    out[${impl}]=$(run "${impl}" "${args[@]}" print) || status=$?
    if ((status == 3)); then
      unset "out[${impl}]"
    elif ((status != 0)); then
      echo "${impl} driver failed (status ${status}) on: ${job}" >&2
      exit 1
    fi
  done
  for impl in openssl mbedtls; do
    if [[ -v out[${impl}] && ${out[${impl}]} != "${out[kx]}" ]]; then
      echo "${impl} and this library disagree on: ${job}" >&2
      printf '  %s: %s\n  this library: %s\n' "${impl}" "${out[${impl}]}" "${out[kx]}" >&2
      exit 1
    fi
  done
  declare -A per=() raw=()
  for impl in openssl mbedtls kx; do
    per[${impl}]="-"
    [[ -v out[${impl}] ]] || continue
    raw[${impl}]=$(cost "${impl}" "${args[@]}")
    per[${impl}]=$(awk -v n="${raw[${impl}]}" -v d="${unit}" \
      'BEGIN { printf(d == 1 ? "%d" : "%.1f", n / d) }')
  done
  ratio="-"
  if [[ -v raw[openssl] ]]; then
    ratio=$(awk -v a="${raw[kx]}" -v b="${raw[openssl]}" 'BEGIN { printf("%.2fx", a / b) }')
  fi
  echo "| ${label} | ${per[openssl]} | ${per[mbedtls]} | ${per[kx]} | ${ratio} |"
  unset out per raw
done
