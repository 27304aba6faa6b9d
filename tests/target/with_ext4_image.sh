#!/bin/sh
# with_ext4_image.sh DIR COMMAND...: makes a 64 MiB ext4 image with 5 % of its blocks reserved
# for root, loop-mounts it on DIR in a private mount namespace, writes 8 MiB into it and runs
# COMMAND there with KX_FS_DIR=DIR and KX_FS_RESERVED=1: total, free, used and available space
# then all differ. Exits 77 (reported as skipped) where this needs root, mkfs.ext4 or a loop
# device that the system does not give.
set -eu
if [ "${KX_IN_NAMESPACE:-}" != 1 ]; then
  if [ "$(id -u)" != 0 ] || ! command -v mkfs.ext4 >/dev/null || ! unshare -m true 2>/dev/null; then
    echo "skipped: loop-mounting an ext4 image needs root, mkfs.ext4 and mount namespaces" >&2
    exit 77
  fi
  KX_IN_NAMESPACE=1 exec unshare -m --propagation private "$0" "$@"
fi
dir=$1
shift
mkdir -p "$dir"
rm -f "$dir.img"
truncate -s 64M "$dir.img"
mkfs.ext4 -q -F -m 5 "$dir.img"
if ! mount -o loop "$dir.img" "$dir"; then
  echo "skipped: no loop device here" >&2
  rm -f "$dir.img"
  exit 77
fi
head -c 8388608 /dev/zero >"$dir/data"
sync
status=0
KX_FS_DIR=$dir KX_FS_RESERVED=1 "$@" || status=$?
umount "$dir"
rm -f "$dir.img"
exit "$status"
