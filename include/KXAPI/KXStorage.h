#ifndef KXAPI_KXSTORAGE_H
#define KXAPI_KXSTORAGE_H

#include <string>

#include "KXExport.h"

/// \file
/// Mount points, file-system space and removable media.

namespace KX {

/// StorageInfo selects the figure that getDiskSpace returns.
enum StorageInfo {
  TOTAL_SPACE = 0,  ///< the size of the file system
  FREE_SPACE = 1,   ///< every free block, those reserved for root included
  USED_SPACE = 2,   ///< total minus free space
};

/// getMountPath stores in *mountPath the mount point of the first entry of
/// "/proc/mounts" whose device equals device, and returns 0. No such entry:
/// "undefined" and 23. The table cannot be opened: 16, *mountPath unchanged.
/// A null mountPath returns 20 and reads nothing.
KX_API int getMountPath(std::string device, std::string* mountPath);

/// getDiskSpace returns the total, free or used space of the file system
/// holding path, in MiB (remainder dropped), or -1 when statvfs fails or
/// which is not a StorageInfo value.
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
