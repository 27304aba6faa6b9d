// File-system size queries in MiB.
#include <sys/statvfs.h>

#include "KXAPI/KXStorage.h"
#include "system/system_internal.h"

namespace KX {

namespace internal {

int diskSpaceFromFigures(StorageInfo which, std::uint64_t blockSize, std::uint64_t blocks,
                         std::uint64_t freeBlocks) {
  constexpr std::uint64_t kMebibyte = 1048576;
  std::uint64_t bytes = 0;
  switch (which) {
    case TOTAL_SPACE:
      bytes = blocks * blockSize;
      break;
    case FREE_SPACE:
      bytes = freeBlocks * blockSize;
      break;
    case USED_SPACE:
      bytes = (blocks - freeBlocks) * blockSize;
      break;
    default:
      return -1;
  }
  // Each figure is truncated on its own: total can exceed free + used by 1.
  return static_cast<int>(bytes / kMebibyte);
}

}  // namespace internal

int getDiskSpace(StorageInfo which, std::string path) {
  struct statvfs figures;
  if (statvfs(path.c_str(), &figures) < 0) {
    return -1;
  }
  // f_bsize rather than f_frsize, and f_bfree (root's reserve counts as
  // free) rather than f_bavail.
  return internal::diskSpaceFromFigures(which, figures.f_bsize, figures.f_blocks, figures.f_bfree);
}

}  // namespace KX
