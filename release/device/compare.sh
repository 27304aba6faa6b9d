#!/usr/bin/env bash
# Decides from the board's serial log (sections written by device_checks.sh)
# whether the library, the examples and kxutil agree with the board's own
# view: /proc/version read by the build-date rule, /proc/mounts, busybox's
# stat -f and df, at every step of the card and stick coming and going.
#   compare.sh SERIAL_LOG VERSION EXPECTED_CIPHER_TEXT
set -euo pipefail
log=$1
version=$2
cipher=$3
card=/media/usbsd1
stick=/media/usbsd2
data=/media/stickdata
devices=(/dev/mmcblk0p1 /dev/sda1 /dev/sda2 /dev/mmcblk0)
failures=0

check() {  # check WHAT ACTUAL EXPECTED
  if [[ $2 == "$3" ]]; then
    echo "ok: $1"
  else
    printf 'FAIL: %s: got %q, expected %q\n' "$1" "$2" "$3" >&2
    failures=$((failures + 1))
  fi
}
has() {  # has WHAT TEXT REGEX: TEXT has a line matching the extended REGEX
  if grep -Eq -- "$3" <<<"$2"; then
    echo "ok: $1"
  else
    printf 'FAIL: %s: no line matches %s in:\n%s\n' "$1" "$3" "$2" >&2
    failures=$((failures + 1))
  fi
}
# The output of a section, and its exit status ("missing" if it never ended).
out() {
  awk -v h="@@ $1" -v e="@@ end $1 " '$0 == h { on = 1; next } on && index($0, e) == 1 { exit } on' "${log}"
}
status() {
  awk -v e="@@ end $1 " 'index($0, e) == 1 && split(substr($0, length(e) + 1), f, " ") == 2 {
    print f[1]; found = 1; exit } END { if (!found) print "missing" }' "${log}"
}
# The first mount point with the mark in a step's table.
first_mark() { out "mounts $1" | awk '$2 ~ /usbsd/ { print $2; exit }'; }

# strtol(text, nullptr, 0) on the text's leading number.
strtol0() {
  local s=$1 sign=1
  s=${s#"${s%%[![:space:]]*}"}
  case ${s} in -*) sign=-1 s=${s:1} ;; +*) s=${s:1} ;; esac
  if [[ ${s} =~ ^0[xX]([0-9a-fA-F]+) ]]; then
    echo $((sign * 16#${BASH_REMATCH[1]}))
  elif [[ ${s} =~ ^0([0-7]*) ]]; then
    echo $((sign * 8#0${BASH_REMATCH[1]}))
  elif [[ ${s} =~ ^([0-9]+) ]]; then
    echo $((sign * 10#${BASH_REMATCH[1]}))
  else
    echo 0
  fi
}

# The build date by its rule: the line split at every single blank, the day
# the 4th token from the end, the month name the 5th, the year the last.
line=$(out proc-version)
# (awk with the field separator [ ] keeps the empty tokens between two blanks)
mapfile -t tokens < <(awk -F '[ ]' '{ for (i = 1; i <= NF; i++) print $i }' <<<"${line}")
n=${#tokens[@]}
day=-1 month=-1 year=-1
((n >= 4)) && day=$(strtol0 "${tokens[n - 4]}")
((n >= 1)) && year=$(strtol0 "${tokens[n - 1]}")
if ((n >= 5)); then
  months=(Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  for i in "${!months[@]}"; do
    [[ ${tokens[n - 5]} == "${months[i]}" ]] && month=$((i + 1)) && break
  done
fi
echo "kernel: ${line}"
echo "        build date by the rule: day ${day}, month ${month}, year ${year}"

# --- the install -----------------------------------------------------------------
check "dpkg -i of the three packages" "$(status dpkg-install)" 0
has "dpkg ran the ldconfig trigger" "$(out dpkg-install)" '^Processing triggers for libc-bin '
for package in libkxapi-utility1 libkxapi-platform1 kxutil; do
  has "${package} is installed" "$(out dpkg-status)" "^${package} ${version//./\\.} install ok installed$"
done
has "libc-bin has no trigger pending" "$(out dpkg-status)" '^libc-bin [^ ]+ install ok installed$'
for lib in Utility Platform; do
  has "libKXAPI_${lib} is in the loader cache" "$(out loader-cache)" \
    "libKXAPI_${lib}\.so\.1 \(libc6,soft-float\) => /usr/lib/arm-linux-gnueabi/libKXAPI_${lib}\.so\.1$"
done
check "no LD_LIBRARY_PATH on the board" "$(out environment | grep -c '^LD_LIBRARY_PATH=' || true)" 0
has "the probe looks the library up in the cache" "$(out loader)" 'search cache=/etc/ld\.so\.cache'
has "and loads the installed one" "$(out loader)" 'calling init: /usr/lib/arm-linux-gnueabi/libKXAPI_Utility\.so\.1$'
has "kxutil loads the installed library" "$(out kxutil-loader)" \
  'calling init: /usr/(bin/\.\./)?lib/arm-linux-gnueabi/libKXAPI_Utility\.so\.1$'

# --- the library against the board's view, step by step -------------------------
# The probe's lines that the step's table and stat -f call for.
expected_probe() {
  local step=$1 mounts first point path bsize blocks free
  mounts=$(out "mounts ${step}")
  first=$(first_mark "${step}")
  echo "date ${day} ${month} ${year}"
  if [[ -n ${first} ]]; then
    echo "sd 1 ${first}"
    echo "usb 1 ${first}"
  else
    echo "sd 0 NO SD CARD FOUND!"
    echo "usb 0 NO USB STICK FOUND!"
  fi
  for device in "${devices[@]}"; do
    point=$(awk -v d="${device}" '$1 == d { print $2; exit }' <<<"${mounts}")
    if [[ -n ${point} ]]; then echo "mount ${device} 0 ${point}"; else echo "mount ${device} 23 undefined"; fi
  done
  for path in "${card}" "${stick}" "${data}" /; do
    if [[ $(status "statfs ${step} ${path}") == 0 ]]; then
      read -r bsize _ blocks free <<<"$(out "statfs ${step} ${path}")"
      echo "space ${path} $((bsize * blocks >> 20)) $((bsize * free >> 20)) $((bsize * (blocks - free) >> 20))"
    else
      echo "space ${path} -1 -1 -1"
    fi
  done
}
# busybox df's 1K-blocks and Used, in MiB, against the probe's figures.
check_df() {
  local step=$1 path=$2 size used total_mib used_mib
  [[ $(status "df ${step} ${path}") == 0 ]] || return 0  # not a mount point now
  read -r _ size used _ < <(out "df ${step} ${path}" | tail -1)
  read -r _ _ total_mib _ used_mib < <(out "probe ${step}" | grep "^space ${path} ")
  check "${step}: df and the library agree on ${path}" "$((size * 1024 >> 20)) $((used * 1024 >> 20))" \
    "${total_mib} ${used_mib}"
}
steps=(boot card-out stick-out stick-back card-back surprise after-umount replugged)
for step in "${steps[@]}"; do
  check "${step}: the library's answers match the board's view" "$(out "probe ${step}")" \
    "$(expected_probe "${step}")"
  for path in "${card}" "${stick}" "${data}"; do check_df "${step}" "${path}"; done
  marks+=("$(first_mark "${step}")")
done
check "the media at boot: card, stick (vfat), stick (ext4)" \
  "$(out "mounts boot" | awk '$1 ~ /^\/dev\// { print $1, $2, $3 }')" \
  "/dev/mmcblk0p1 ${card} vfat
/dev/sda1 ${stick} vfat
/dev/sda2 ${data} ext4"
check "the first mount point with the mark, step by step" "${marks[*]}" \
  "${card} ${stick}  ${stick} ${stick} ${stick} ${card} ${card}"
for step in "removed unmounted" "inserted again" "removed mounted" "inserted after-pull"; do
  check "the kernel saw the stick: ${step}" "$(status "${step}")" 0
done
echo "After the stick was pulled out while mounted, the kernel's table says:"
out "mounts surprise" | grep '^/dev/sda' | sed 's/^/  /'
echo "  and reading a file of it gives: $(out surprise-read)"

# --- tests, examples and kxutil --------------------------------------------------
programs=$(grep -c '^@@ gtest ' "${log}" || true)
check "test programs run" "$((programs >= 6))" 1
while read -r program; do
  check "${program}" "$(status "gtest ${program}")" 0
  has "${program} passed" "$(out "gtest ${program}")" '\[  PASSED  \]'
done < <(sed -n 's/^@@ gtest //p' "${log}")
has "timer_loop" "$(out example-timer_loop)" '^timeouts: 1 one-shot, 5 repeating$'
check "encrypt_text" "$(out example-encrypt_text)" "SlMtt3ocfh3jQMLrqrPoPw=="
read -r _ _ total free used < <(out "probe boot" | grep "^space ${card} ")
built=unknown
((month >= 0)) && built=$(printf '%d-%02d-%02d' "${year}" "${month}" "${day}")
check "device_report" "$(out example-device_report | grep -v '^/:')" "kernel built: ${built}
SD card: ${card}
${card}: ${total} MiB total, ${free} MiB free, ${used} MiB used
/dev/mmcblk0p1 is mounted on ${card}
/dev/sda1 is mounted on ${stick}
/dev/sda2 is mounted on ${data}
/dev/mmcblk0 is not mounted"

has "kxutil info: the medium" "$(out "kxutil info ")" "mounted at ${card}\$"
has "kxutil info: its space" "$(out "kxutil info ")" "^  ${card} +${total} +${free} +${used}\$"
json=$(out "kxutil info --json")
# A date part that is no plausible date may be shown as null.
part() { if (($1 >= 1 && $1 <= $2)); then echo "$1"; else echo "($1|null)"; fi; }
has "kxutil info --json: the build date by the rule" "${json}" \
  "\"kernel_build_date\":\{\"day\":$(part "${day}" 31),\"month\":$(part "${month}" 12),\"year\":$(part "${year}" 9999)\}"
has "kxutil info --json: the medium" "${json}" "\"mounted\":true,\"mount_point\":\"${card}\""
has "kxutil info --json: its space" "${json}" \
  "\{\"path\":\"${card}\",\"total_mib\":${total},\"free_mib\":${free},\"used_mib\":${used}\}"
for path in "${card}" "${stick}" "${data}"; do
  read -r _ _ total free used < <(out "probe boot" | grep "^space ${path} ")
  has "kxutil df ${path}" "$(out "kxutil df ${path} ")" "^  Total: +${total} MiB\$"
  has "kxutil df ${path}: used" "$(out "kxutil df ${path} ")" "^  Used: +${used} MiB\$"
  check "kxutil df --json ${path}" "$(out "kxutil df ${path} --json")" \
    "{\"path\":\"${path}\",\"status\":0,\"total_mib\":${total},\"free_mib\":${free},\"used_mib\":${used}}"
done
for device in "${devices[@]}"; do
  point=$(out "mounts boot" | awk -v d="${device}" '$1 == d { print $2; exit }')
  if [[ -n ${point} ]]; then
    check "kxutil mount ${device}" "$(out "kxutil mount ${device} ")" "${device} is mounted at ${point}"
    has "kxutil mount --json ${device}" "$(out "kxutil mount ${device} --json")" "\"status\":0,\"mounted\":true,\"mount_point\":\"${point}\""
  else
    check "kxutil mount ${device}: status" "$(status "kxutil mount ${device} ")" 23
    has "kxutil mount --json ${device}" "$(out "kxutil mount ${device} --json")" '"status":23,"mounted":false,"mount_point":null'
  fi
done
check "kxutil version" "$(out "kxutil version ")" "Version: 02-11-4711"
has "kxutil version --json" "$(out "kxutil version --json")" '"status":0,"version":"02-11-4711"'
check "kxutil encrypt equals openssl enc -aes-128-ecb | base64" "$(out "kxutil encrypt")" "${cipher}"
check "kxutil decrypt reads it back" "$(out "kxutil decrypt")" "written on the board"

((failures == 0)) || { echo "${failures} checks failed; serial log: ${log}" >&2; exit 1; }
