// File-system size queries in MiB.
#include <sys/statvfs.h>

#include <algorithm>
#include <climits>

#include "KXAPI/KXStorage.h"
#include "system/system_internal.h"

namespace KX {

namespace internal {

int diskSpaceFromFigures(StorageInfo which, std::uint64_t blockSize, std::uint64_t blocks,
                         std::uint64_t freeBlocks) {
  constexpr std::uint64_t kMebibyte = 1048576;
  constexpr std::uint64_t kLargest = INT_MAX;
  std::uint64_t count = 0;
  switch (which) {
    case TOTAL_SPACE:
      count = blocks;
      break;
    case FREE_SPACE:
      count = freeBlocks;
      break;
    case USED_SPACE:
      // A file system that reports more free blocks than it has is empty.
      count = blocks > freeBlocks ? blocks - freeBlocks : 0;
      break;
    default:
      return -1;
  }
  // From 2^31 MiB (2 PiB) on the figure saturates, so that it never turns
  // negative and -1 keeps meaning that statvfs failed. The product is tested
  // before it is formed, as block counts and sizes come from the kernel.
  if (blockSize != 0 && count > (kLargest + 1) * kMebibyte / blockSize) {
    return INT_MAX;
  }
  // Each figure is truncated on its own: total can exceed free + used by 1.
  return static_cast<int>(std::min(count * blockSize / kMebibyte, kLargest));
}

}  // namespace internal

// NOLINTNEXTLINE(performance-unnecessary-value-param): the ABI passes the string by value
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
