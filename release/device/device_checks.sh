#!/bin/sh
# Runs on the booted board (busybox sh), started by its init: mounts the SD
# card and the USB stick where the device mounts them, installs the project's
# packages from the card with dpkg, runs the test programs, the examples and
# kxutil, and has the host pull the stick out and plug it in again through
# QEMU's monitor. It decides nothing:
# every result goes to the console as a section
#   @@ NAME
#   <output of the command, standard error included>
#   @@ end NAME <exit status> <seconds since boot>
# and the host compares (release/device/compare.sh).
#   device_checks.sh [--setup-only]
card=/media/usbsd1
stick=/media/usbsd2
data=/media/stickdata
key=000102030405060708090a0b0c0d0e0f
text='written on the board'
devices="/dev/mmcblk0p1 /dev/sda1 /dev/sda2 /dev/mmcblk0"

section() {
  name=$1
  shift
  echo "@@ ${name}"
  "$@" >/tmp/section.out 2>&1
  set -- $? /proc/uptime
  cat /tmp/section.out
  # An output without a line feed at its end gets one: the end line stands alone.
  [ -z "$(tail -c 1 /tmp/section.out)" ] || echo
  read -r uptime idle <"$2"
  echo "@@ end ${name} $1 ${uptime}"
}

# wait_for TEST...: polls up to 20 s until the test holds.
wait_for() {
  i=0
  until "$@"; do
    [ "${i}" -lt 200 ] || return 1
    sleep 0.1
    i=$((i + 1))
  done
}

kernel_log() {
  dmesg | tail -n 40
  ls /sys/block
}

mount_card() {
  wait_for test -b /dev/mmcblk0p1 && mount -t vfat /dev/mmcblk0p1 "${card}"
}

# ext4 without its background reads of the block bitmaps: when one of those
# fails because the stick was pulled, the kernel drops that group's free
# blocks from the counts, so the figures would move between two queries.
mount_stick() {
  wait_for test -b /dev/sda2 && mount -t vfat /dev/sda1 "${stick}" &&
    mount -t ext4 -o no_prefetch_block_bitmaps /dev/sda2 "${data}"
}

# The library's answers and the board's own view of every medium.
snapshot() {
  section "mounts $1" cat /proc/mounts
  section "probe $1" /kx/bin/device_probe ${devices} "${card}" "${stick}" "${data}" /
  for path in "${card}" "${stick}" "${data}" /; do
    section "statfs $1 ${path}" stat -f -c '%s %S %b %f' "${path}"
  done
  for path in "${card}" "${stick}" "${data}"; do
    section "df $1 ${path}" df -k "${path}"
  done
}

# hotplug out|in WHEN: the host has QEMU unplug the stick (on the console
# line KX-HOST device_del) or plug it in again (KX-HOST device_add), and the
# board waits until the kernel has seen it.
hotplug() {
  if [ "$1" = in ]; then
    echo "KX-HOST device_add"
    section "inserted $2" wait_for test -b /dev/sda2
  else
    echo "KX-HOST device_del"
    section "removed $2" wait_for test ! -e /sys/block/sda
  fi || section "kernel log" kernel_log
}

setup() {
  mkdir -p "${card}" "${stick}" "${data}"
  section modules modprobe -a vfat nls_cp437 nls_ascii ext4 crc32c_generic usb-storage sd_mod
  section mount-card mount_card
  section mount-stick mount_stick
  # Debian's dpkg by its path: busybox sh prefers its own applet of that name.
  section dpkg-install /usr/bin/dpkg -i "${card}"/packages/*.deb
}

setup
[ "$1" = --setup-only ] && exit 0

section dpkg-status dpkg-query -W -f '${Package} ${Version} ${Status}\n' \
  libkxapi-utility1 libkxapi-platform1 kxutil libc-bin
section loader-cache ldconfig -p
section environment env
section loader env LD_DEBUG=libs /kx/bin/device_probe
section kxutil-loader env LD_DEBUG=libs kxutil --version
section proc-version cat /proc/version
snapshot boot

for program in /kx/tests/*; do
  section "gtest ${program##*/}" sh -c "cd /tmp && ${program} --gtest_brief=1"
done
section example-timer_loop /kx/examples/timer_loop
section example-encrypt_text /kx/examples/encrypt_text
section example-device_report /kx/examples/device_report ${devices}

for json in "" --json; do
  section "kxutil info ${json}" kxutil info ${json}
  for path in "${card}" "${stick}" "${data}"; do
    section "kxutil df ${path} ${json}" kxutil df ${json} "${path}"
  done
  for device in ${devices}; do
    section "kxutil mount ${device} ${json}" kxutil mount ${json} "${device}"
  done
  section "kxutil version ${json}" kxutil version ${json} "${card}/kx/package.version"
done
section "kxutil encrypt" kxutil encrypt --key-hex "${key}" "${text}"
cipher=$(kxutil encrypt --key-hex "${key}" "${text}")
section "kxutil decrypt" kxutil decrypt --key-hex "${key}" "${cipher}"

# The card goes, so the stick's mount point is the first with the mark; the
# stick goes after unmounting and comes back; the card comes back after it,
# so the stick's line stays first.
section umount-card umount "${card}"
snapshot card-out
section umount-stick umount "${stick}" "${data}"
hotplug out unmounted
snapshot stick-out
hotplug in again
section mount-stick mount_stick
snapshot stick-back
section mount-card mount_card
snapshot card-back
# The stick is pulled out while mounted: what does the kernel's table say?
hotplug out mounted
snapshot surprise
section surprise-read cat "${stick}/hello.txt"
section surprise-umount umount "${stick}" "${data}"
snapshot after-umount
# Once its stale mounts are gone, the stick comes back under its old name.
hotplug in after-pull
section mount-stick mount_stick
snapshot replugged
section dmesg dmesg
