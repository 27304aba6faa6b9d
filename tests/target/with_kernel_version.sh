#!/bin/sh
# with_kernel_version.sh LINE COMMAND...: runs COMMAND in a private mount namespace where
# /proc/version holds LINE, so that the kernel's build date is known to the test. Exits 77
# (reported as skipped) where that needs root or mount namespaces that the system does not give.
set -eu
if [ "${KX_IN_NAMESPACE:-}" != 1 ]; then
  if [ "$(id -u)" != 0 ] || ! unshare -m true 2>/dev/null; then
    echo "skipped: replacing /proc/version needs root and mount namespaces" >&2
    exit 77
  fi
  KX_IN_NAMESPACE=1 exec unshare -m --propagation private "$0" "$@"
fi
file=$(mktemp)
printf '%s\n' "$1" >"$file"
shift
mount --bind "$file" /proc/version
status=0
"$@" || status=$?
umount /proc/version
rm -f "$file"
exit "$status"
