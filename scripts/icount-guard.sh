#!/usr/bin/env bash
# Guards the engine's speed on the device CPU against silent regressions: a
# compiler upgrade or an innocent-looking change can undo the code generation
# that the engine relies on (the byte mask held in a register, the unrolled
# 128-bit rounds) without changing a single result.
#
# Counts the instructions that this library's instruction-count driver
# (bench/arm/icount_kx.cpp, built by the armv6 preset) executes on
# qemu-arm -cpu arm1176 for the rows of bench/arm/icount-baseline.txt, the
# way scripts/arm-icount.sh does: count(N) - count(0) of the same job, so that
# start-up, table build, key set-up and the warm-up cancel out. Fails when a
# row is more than 2 % above its baseline.
#
#   scripts/icount-guard.sh [--build DIR] [--update]
#
# --build  the armv6 build tree (default build/armv6); its kx_icount target
#          is built first.
# --update writes the counts of this run as the new baseline. Commit it on
#          its own, saying why the engine got slower or faster.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/armv6 update=0
while (($#)); do
  case $1 in
    --build) build=$2 && shift ;;
    --update) update=1 ;;
    *) echo "usage: $0 [--build DIR] [--update]" >&2 && exit 2 ;;
  esac
  shift
done
baseline=bench/arm/icount-baseline.txt
tolerance=2  # per cent
sysroot=/usr/arm-linux-gnueabi

cmake --build "${build}" --target kx_icount >/dev/null
driver=${build}/bench/arm/kx_icount

count() {  # JOB...: instructions executed by one run of the driver
  qemu-arm -cpu arm1176 -L "${sysroot}" -singlestep -d exec,nochain -D /dev/stdout \
    "${driver}" "$@" | grep -c '^Trace'
}

# The rows are the baseline's: "OP KEYBITS BLOCKBITS COUNT = INSTRUCTIONS".
mapfile -t jobs < <(sed -n 's/^\([a-z-]* [0-9]* [0-9]* [0-9]*\) = .*/\1/p' "${baseline}")
((${#jobs[@]} > 0)) || { echo "no rows in ${baseline}" >&2 && exit 1; }

failed=0 rows=()
printf '%-22s %10s %10s %8s\n' job baseline now change
for job in "${jobs[@]}"; do
  read -r -a args <<<"${job}"
  # The zero run gets a count of the same width ("00" for "16"): the loader and
  # the C library's start-up cost depends on the alignment of the argument and
  # environment strings, and a shorter argument would shift them.
  zero=$(printf '%0*d' "${#args[3]}" 0)
  now=$(($(count "${args[@]}") - $(count "${args[@]:0:3}" "${zero}")))
  was=$(sed -n "s/^${job} = //p" "${baseline}")
  change=$(awk -v n="${now}" -v b="${was}" 'BEGIN { printf("%+.2f %%", 100 * (n - b) / b) }')
  verdict=""
  if ((now * 100 > was * (100 + tolerance))); then
    verdict="  more than ${tolerance} % above the baseline"
    failed=1
  fi
  printf '%-22s %10d %10d %8s%s\n' "${job}" "${was}" "${now}" "${change}" "${verdict}"
  rows+=("${job} = ${now}")
done

if ((update)); then
  { grep '^#' "${baseline}" && printf '%s\n' "${rows[@]}"; } >"${baseline}.new"
  mv "${baseline}.new" "${baseline}"
  echo "baseline updated: commit ${baseline} on its own, with the reason"
  exit 0
fi
if ((failed)); then
  echo "instruction counts regressed; if that is intended, run $0 --update and commit the" \
    "baseline on its own with the reason" >&2
  exit 1
fi
