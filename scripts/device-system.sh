#!/usr/bin/env bash
# Boots the device's class of board, an ARM1176 Raspberry Pi Zero, under
# full-system emulation (qemu-system-arm -M raspi0) with Debian's armel
# kernel, an SD card and a USB stick, installs the project's armel packages
# there with dpkg and runs release/device/device_checks.sh; the host then
# decides from the serial log (release/device/compare.sh). Before the boot,
# lintian checks the four packages.
#   device-system.sh [--shell] [BUILD_DIR]     (BUILD_DIR: build/armv6)
# --shell: the same board with the packages installed and a shell on the
# console instead of the checks (Ctrl-A x ends QEMU, Ctrl-A c its monitor).
# Everything is made from Debian's armel packages (apt-get download, dpkg -x)
# and the build; nothing is installed on this machine. The downloads and the
# kernel's files are kept in build/device-system; the serial log of the last
# run is build/device-system/serial.log.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$(pwd)
mode=checks
if [[ ${1:-} == --shell ]]; then
  mode=shell
  shift
fi
build=$(realpath "${1:-build/armv6}")
work=${source}/build/device-system
cache=${work}/debs
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${build}/CMakeCache.txt")
packages=(libkxapi-utility1 libkxapi-platform1 kxutil)
# The root: the C and C++ runtime, busybox for the tools, dpkg with what it runs.
debian=(libc6 libc-bin libgcc-s1 libstdc++6 gcc-12-base busybox-static dpkg tar
  libacl1 libselinux1 libpcre2-8-0 libbz2-1.0 liblzma5 libmd0 libzstd1 zlib1g)
modules=(vfat nls_cp437 nls_ascii ext4 crc32c_generic usb-storage sd_mod
  crct10dif_generic crc64_rocksoft_generic)
mkdir -p "${cache}"

# --- Debian's packages, downloaded once ----------------------------------------
missing=()
for package in "${debian[@]}"; do
  compgen -G "${cache}/${package}_*_armel.deb" >/dev/null || missing+=("${package}:armel")
done
if ! compgen -G "${cache}/linux-image-*-rpi_*_armel.deb" >/dev/null; then
  # linux-image-rpi names the versioned kernel package.
  missing+=("$(apt-cache depends linux-image-rpi:armel | sed -n 's/ *Depends: \(linux-image-[^:]*\).*/\1/p' | head -1):armel")
fi
if ((${#missing[@]})); then
  chmod 777 "${cache}"  # apt's download user writes there
  (cd "${cache}" && apt-get -qq download "${missing[@]}") || {
    echo "cannot download ${missing[*]}; scripts/install-deps.sh adds the armel architecture" >&2
    exit 1
  }
fi

# --- the kernel, its patched device tree and the modules the board loads -------
kernel_deb=$(compgen -G "${cache}/linux-image-*-rpi_*_armel.deb" | tail -1)
kernel=${work}/kernel
release=$(dpkg-deb --field "${kernel_deb}" Package)
release=${release#linux-image-}
if [[ $(cat "${kernel}/from" 2>/dev/null) != "${kernel_deb##*/}" ]]; then
  rm -rf "${kernel}"
  mkdir -p "${kernel}/modules"
  tree=${kernel}/tree
  dpkg -x "${kernel_deb}" "${tree}"
  cp "${tree}/boot/vmlinuz-${release}" "${kernel}/vmlinuz"
  # QEMU models no device at the power manager's second register range
  # ("asb"); probing it faults, so the node keeps its first range only.
  dtb=${kernel}/board.dtb
  cp "${tree}/usr/lib/linux-image-${release}/bcm2835-rpi-zero.dtb" "${dtb}"
  fdtput -t x "${dtb}" /soc/watchdog@7e100000 reg 0x7e100000 0x114
  fdtput -t s "${dtb}" /soc/watchdog@7e100000 reg-names pm
  # The wanted modules and what they depend on, with a modules.dep of their own.
  depmod -b "${tree}" "${release}"
  from=${tree}/lib/modules/${release}
  to=${kernel}/modules/lib/modules/${release}
  for module in "${modules[@]}"; do
    grep -E "(^|/)${module}\.ko:" "${from}/modules.dep" | tr -d ':' | tr ' ' '\n'
  done | sort -u | while read -r file; do
    install -D -m 644 "${from}/${file}" "${to}/${file}"
  done
  cp "${from}"/modules.{order,builtin,builtin.modinfo} "${to}/"
  depmod -b "${kernel}/modules" "${release}"
  rm -rf "${tree}"
  echo "${kernel_deb##*/}" >"${kernel}/from"
fi

# --- the packages: lintian first -----------------------------------------------
debs=()
for package in "${packages[@]}"; do debs+=("${build}/${package}_${version}_armel.deb"); done
lintian --fail-on error,warning "${debs[@]}" "${build}/libkxapi-utility-dev_${version}_armel.deb" 2>&1 |
  sed 's/^/lintian: /'

# --- the root file system (an initramfs) ---------------------------------------
root=${work}/root
rm -rf "${root}"
mkdir -p "${root}"/{proc,sys,dev,tmp,root,etc,kx/bin,kx/tests,kx/examples}
db=${root}/var/lib/dpkg
mkdir -p "${db}"/{info,updates,triggers,alternatives} "${root}/var/log"
: >"${db}/status"
# Each package is unpacked and entered in dpkg's database as installed, as
# Debian's own bootstrap does, so that dpkg on the board knows the runtime
# that the project's packages depend on and libc-bin's interest in the
# ldconfig trigger.
control=${work}/control
for deb in "${cache}"/*_armel.deb; do
  [[ ${deb} == "${kernel_deb}" ]] && continue
  dpkg -x "${deb}" "${root}"
  rm -rf "${control}"
  dpkg-deb --control "${deb}" "${control}"
  package=$(dpkg-deb --field "${deb}" Package)
  name=${package}
  [[ $(dpkg-deb --field "${deb}" Multi-Arch) == same ]] && name=${package}:armel
  {
    echo "Package: ${package}"
    echo "Status: install ok installed"
    grep -v '^Package:' "${control}/control"
    echo
  } >>"${db}/status"
  dpkg-deb --fsys-tarfile "${deb}" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' -e 's|^$|/.|' \
    >"${db}/info/${name}.list"
  for file in "${control}"/*; do
    [[ ${file##*/} == control ]] || cp "${file}" "${db}/info/${name}.${file##*/}"
  done
  if [[ -f ${control}/triggers ]]; then
    while read -r kind trigger; do
      case ${kind} in
        interest | interest-await) echo "${name}" >>"${db}/triggers/${trigger}" ;;
        interest-noawait) echo "${name}/noawait" >>"${db}/triggers/${trigger}" ;;
      esac
    done <"${control}/triggers"
  fi
done
: >"${db}/available"
: >"${db}/triggers/File"
: >"${db}/triggers/Unincorp"
ln -s busybox "${root}/bin/sh"  # for the maintainer scripts
echo 'root:x:0:0:root:/root:/bin/sh' >"${root}/etc/passwd"
echo 'root:x:0:' >"${root}/etc/group"
rm -rf "${root}"/usr/share/{doc,man,info,locale,lintian} "${root}/usr/lib/arm-linux-gnueabi/gconv"
cp -a "${kernel}/modules/lib" "${root}/"

# The library's answers, the test programs (their data at the path compiled
# into them; no copy of the build's libraries, so the loader takes the
# installed ones; not the concurrency tests, which take two minutes on the
# single core) and the examples.
probe=${work}/device_probe
if [[ ! -x ${probe} || release/device/device_probe.cpp -nt ${probe} ||
  ${build}/utility/libKXAPI_Utility.so -nt ${probe} ]]; then
  arm-linux-gnueabi-g++ -std=c++17 -O2 -march=armv6 -marm -Wall -Wextra -Werror \
    -Iinclude release/device/device_probe.cpp -o "${probe}" \
    -L"${build}/utility" -L"${build}/platform" -lKXAPI_Utility -lKXAPI_Platform
fi
arm-linux-gnueabi-strip -o "${root}/kx/bin/device_probe" "${probe}"
for test in system target text timer aes crypto; do
  arm-linux-gnueabi-strip -o "${root}/kx/tests/kx_${test}_tests" "${build}/tests/${test}/kx_${test}_tests"
done
for example in timer_loop encrypt_text device_report; do
  arm-linux-gnueabi-strip -o "${root}/kx/examples/${example}" "${build}/examples/${example}"
done
mkdir -p "${root}${source}/tests"
cp -a tests/data "${root}${source}/tests/"
install -m 755 release/device/device_checks.sh "${root}/kx/device_checks.sh"
cat >"${root}/init" <<'EOF'
#!/bin/busybox sh
# busybox's tools come after the real ones (its dpkg after Debian's).
mkdir -p /kx/busybox
/bin/busybox --install -s /kx/busybox
export PATH=/usr/sbin:/usr/bin:/sbin:/bin:/kx/busybox
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
dmesg -n 1
date -u -s "@${kxtime}" >/dev/null
if [ "${kxmode}" = shell ]; then
  sh /kx/device_checks.sh --setup-only >/dev/null
  echo "The packages are installed; the card is at /media/usbsd1, the stick at /media/usbsd2."
  setsid cttyhack sh -l
else
  sh /kx/device_checks.sh
fi
poweroff -f
EOF
chmod 755 "${root}/init"
(cd "${root}" && find . | cpio -o -H newc --quiet) >"${work}/root.cpio"

# --- the SD card and the USB stick ---------------------------------------------
# disk IMAGE SFDISK_SCRIPT [PART_IMAGE SECTOR]...: a 64 MiB partitioned image
# with each partition image written at its first sector.
disk() {
  local image=$1
  rm -f "${image}"
  truncate -s 64M "${image}"
  sfdisk -q "${image}" <<<"$2"
  shift 2
  while (($#)); do
    dd if="$1" of="${image}" bs=512 seek="$2" conv=notrunc status=none
    shift 2
  done
}
files=${work}/files
rm -rf "${files}"
mkdir -p "${files}"/{card/packages,card/kx,stick,data}
cp "${debs[@]}" "${files}/card/packages/"
printf '[package]\nVersion Major="02" Minor="11" BuildNum="4711"\n' >"${files}/card/kx/package.version"
echo 'on the stick' >"${files}/stick/hello.txt"
echo 'on the stick, ext4' >"${files}/data/hello.txt"
rm -f "${work}"/*.part
mkfs.vfat -F 16 -n KXCARD -C "${work}/card.part" $((63 * 1024)) >/dev/null
mcopy -s -i "${work}/card.part" "${files}"/card/* ::/
mkfs.vfat -F 16 -n KXSTICK -C "${work}/stick1.part" $((16 * 1024)) >/dev/null
mcopy -i "${work}/stick1.part" "${files}/stick/hello.txt" ::/
mkfs.ext4 -q -F -L KXDATA -d "${files}/data" "${work}/stick2.part" 47M >/dev/null
disk "${work}/sd.img" $'label: dos\nstart=2048, type=e' "${work}/card.part" 2048
disk "${work}/stick.img" $'label: dos\nstart=2048, size=32768, type=e\nstart=34816, type=83' \
  "${work}/stick1.part" 2048 "${work}/stick2.part" 34816
rm -f "${work}"/*.part

# --- the boot ------------------------------------------------------------------
# USB autosuspend is off: the emulated USB host controller does not wake
# from it, so a stick plugged in once the controller had suspended would hang
# the board.
stick=usb-storage,drive=stickdisk,id=stick
qemu=(qemu-system-arm -M raspi0 -kernel "${kernel}/vmlinuz" -dtb "${kernel}/board.dtb"
  -initrd "${work}/root.cpio"
  -append "console=ttyAMA0 rdinit=/init panic=-1 usbcore.autosuspend=-1 kxtime=$(date +%s) kxmode=${mode}"
  -drive "file=${work}/sd.img,if=sd,format=raw"
  -blockdev "driver=file,filename=${work}/stick.img,node-name=stickfile"
  -blockdev driver=raw,file=stickfile,node-name=stickdisk
  -device "${stick}"
  -nic none -no-reboot -display none)
if [[ ${mode} == shell ]]; then
  exec "${qemu[@]}" -serial mon:stdio
fi

# The board asks for the stick to be pulled out or plugged in with a line on
# its console; the host does it through QEMU's monitor.
log=${work}/serial.log
monitor=${work}/monitor
rm -f "${monitor}".{in,out} "${log}"
mkfifo "${monitor}.in" "${monitor}.out"
cat "${monitor}.out" >"${work}/monitor.log" &
drain=$!
# Held open for the whole run, so that QEMU's monitor never sees the end of
# its input between two commands.
exec {commands}<>"${monitor}.in"
start=${SECONDS}
while IFS= read -r line; do
  line=${line%$'\r'}
  printf '%s\n' "${line}" >>"${log}"
  case ${line} in
    "KX-HOST device_del") echo "device_del stick" >&"${commands}" ;;
    "KX-HOST device_add") echo "device_add ${stick}" >&"${commands}" ;;
  esac
done < <(timeout 150 "${qemu[@]}" -serial stdio -monitor "pipe:${monitor}" </dev/null 2>&1 ||
  echo "QEMU ended with status $?")
exec {commands}>&-
kill "${drain}" 2>/dev/null || true
echo "board: $((SECONDS - start)) s from power-on to power-off; serial log ${log#"${source}"/}"
expected=$(printf '%s' 'written on the board' | openssl enc -aes-128-ecb -K 000102030405060708090a0b0c0d0e0f | base64)
release/device/compare.sh "${log}" "${version}" "${expected}"
