#!/bin/sh
# with_large_tmpfs.sh DIR SIZE COMMAND...: mounts a tmpfs of SIZE (e.g. 20T)
# on DIR in a private user and mount namespace and runs COMMAND there with
# KX_FS_DIR=DIR (and KX_LARGE_FS_DIR, its older name). A tmpfs costs no memory until written, and 20 TiB in
# 4 KiB blocks is more than 2^32 blocks. Exits 77 (reported as skipped) where
# the system does not allow unprivileged user namespaces.
set -eu
if [ "${KX_IN_NAMESPACE:-}" != 1 ]; then
  if ! unshare -Urm true 2>/dev/null; then
    echo "no user namespaces here: cannot mount a test file system" >&2
    exit 77
  fi
  KX_IN_NAMESPACE=1 exec unshare -Urm "$0" "$@"
fi
dir=$1 size=$2
shift 2
mkdir -p "$dir"
mount -t tmpfs -o "size=$size" kx-large "$dir"
KX_FS_DIR=$dir KX_LARGE_FS_DIR=$dir exec "$@"
