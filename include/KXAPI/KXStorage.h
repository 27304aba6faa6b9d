#ifndef KXAPI_KXSTORAGE_H
#define KXAPI_KXSTORAGE_H

#include <string>

#include "KXExport.h"

/// \file
/// Mount points, file-system space and removable media.
///
/// The functions here keep no state and may be called from any number of
/// threads at once: each call opens "/proc/mounts" anew and reads it with a
/// line buffer of its own (4096 bytes, as glibc's getmntent has; the rest of a
/// longer line is skipped).
///
/// When memory runs out: a mount table whose stdio handle cannot be had
/// counts as one that cannot be opened; a string copy that fails throws
/// std::bad_alloc and leaves the out-parameter as it was. getDiskSpace
/// allocates nothing. The table is closed on every path.

namespace KX {

/// StorageInfo selects the figure that getDiskSpace returns.
enum StorageInfo {
  TOTAL_SPACE = 0,  ///< the size of the file system
  FREE_SPACE = 1,   ///< every free block, those reserved for root included
  USED_SPACE = 2,   ///< total minus free space
};

/// getMountPath stores in *mountPath the mount point of the first entry of
/// "/proc/mounts" whose device equals device, and returns KX_STATUS_OK (0).
/// No such entry: "undefined" and KX_STATUS_NOT_FOUND (23). The table cannot
/// be opened: KX_STATUS_OPEN_FAILED (16), *mountPath unchanged. A null
/// mountPath returns KX_STATUS_INVALID_ARGUMENT (20) and reads nothing.
KX_API int getMountPath(std::string device, std::string* mountPath);

/// getDiskSpace returns the total, free or used space of the file system
/// holding path, in MiB (remainder dropped), or -1 when statvfs fails or
/// which is not a StorageInfo value. A figure of 2^31 MiB (2 PiB) or more
/// saturates at INT_MAX (2147483647), so the result is never negative except
/// for -1. Used space is 0 when the file system reports more free blocks than
/// it has.
KX_API int getDiskSpace(StorageInfo which, std::string path);

/// isAnSDCardMounted tells whether a mount point in "/proc/mounts" contains
/// "usbsd". When mountDir is not null it receives the first such mount point,
/// or "NO SD CARD FOUND!".
KX_API bool isAnSDCardMounted(std::string* mountDir = nullptr);

/// isAnUSBStickMounted is isAnSDCardMounted with the not-found text
/// "NO USB STICK FOUND!".
KX_API bool isAnUSBStickMounted(std::string* mountDir = nullptr);

}  // namespace KX

#endif
