#!/usr/bin/env bash
# Speed ratios of the cipher engine on the build machine, from the bench
# preset's kx_bench: ECB encrypt and decrypt against mbed TLS's software AES,
# CBC encrypt against OpenSSL's full-table CBC loop. OpenSSL picks that loop
# only with AES-NI, SSSE3 and the hyper-threading bit masked, which it reads
# when libcrypto loads, so it runs in a process of its own. The two processes
# alternate ROUNDS times (default 5), each with 5 repetitions; the table
# shows the medians of all repetitions in CPU time per byte and their ratio.
#
#   cmake --preset bench && cmake --build --preset bench && scripts/bench-ratios.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/bench/bench/kx_bench
rounds=${1:-5}
[[ -x ${bench} ]] || { echo "build the bench preset first: ${bench} is missing" >&2; exit 2; }

results=$(mktemp)
trap 'rm -f "${results}"' EXIT
run() {  # FILTER [ENV...]: appends "name,cpu_time_ns" lines
  env "${@:2}" "${bench}" --benchmark_filter="$1" --benchmark_repetitions=5 \
    --benchmark_min_time=0.1 --benchmark_format=csv 2>/dev/null |
    awk -F, '$1 ~ /^"BM_/ && $1 !~ /_(mean|median|stddev|cv)"$/ {
      gsub(/"/, "", $1); print $1 "," $4 }' >>"${results}"
}
for ((i = 0; i < rounds; ++i)); do
  run '^BM_(Ours|MbedTLS_Soft)_(EncryptEcb|DecryptEcb|EncryptCbc)/'
  run '^BM_OpenSSL_Soft_EncryptCbc/' 'OPENSSL_ia32cap=~0x200020010000000:~0'
done

# Bytes per iteration are fixed (4 KiB), so the CPU time per iteration / 4096
# is the time per byte.
awk -F, '
  { split($1, p, "/"); t[p[1] "/" p[2]] = t[p[1] "/" p[2]] " " $2 }
  function median(list,   a, n, i, j, x) {
    n = split(list, a, " ")
    for (i = 2; i <= n; ++i) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; --j) a[j + 1] = a[j]; a[j + 1] = x }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function row(label, ours, peer, name) {
    printf "| %s | %.2f | %.2f | %s | %.2fx |\n", label, median(t[ours]) / 4096,
      median(t[peer]) / 4096, name, median(t[ours]) / median(t[peer])
  }
  END {
    print "| ns per byte (CPU time, median) | this library | peer | the peer | ratio |"
    print "|---|---|---|---|---|"
    for (k = 128; k <= 256; k += 64) {
      row("ECB encrypt, " k "-bit key", "BM_Ours_EncryptEcb/" k, "BM_MbedTLS_Soft_EncryptEcb/" k, "mbed TLS")
      row("ECB decrypt, " k "-bit key", "BM_Ours_DecryptEcb/" k, "BM_MbedTLS_Soft_DecryptEcb/" k, "mbed TLS")
      row("CBC encrypt, " k "-bit key", "BM_Ours_EncryptCbc/" k, "BM_OpenSSL_Soft_EncryptCbc/" k, "OpenSSL, full-table CBC")
    }
  }' "${results}"
