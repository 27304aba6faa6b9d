#include "space.h"

#include <sys/statvfs.h>

#include <climits>
#include <cstdint>

#include "KXAPI/KXStorage.h"

namespace kxutil {

namespace {

// count blocks of blockSize bytes in MiB, remainder dropped, without forming
// the product (which can pass 2^64): the high part of count is whole MiB per
// block, the low 20 bits are added byte-exact.
long long mebibytes(std::uint64_t count, std::uint64_t blockSize) {
  const std::uint64_t mib = (count >> 20) * blockSize + ((count & 0xFFFFF) * blockSize >> 20);
  return mib > LLONG_MAX ? LLONG_MAX : static_cast<long long>(mib);
}

}  // namespace

SpaceFigures querySpace(const std::string& path) {
  SpaceFigures figures{KX::getDiskSpace(KX::TOTAL_SPACE, path),
                       KX::getDiskSpace(KX::FREE_SPACE, path),
                       KX::getDiskSpace(KX::USED_SPACE, path)};
  struct statvfs fs {};
  const bool saturated =
      figures.total == INT_MAX || figures.free == INT_MAX || figures.used == INT_MAX;
  if (!saturated || statvfs(path.c_str(), &fs) != 0) {
    return figures;
  }
  // The library's rule: f_bsize, f_blocks and f_bfree, each figure on its own.
  const std::uint64_t used = fs.f_blocks > fs.f_bfree ? fs.f_blocks - fs.f_bfree : 0;
  if (figures.total == INT_MAX) {
    figures.total = mebibytes(fs.f_blocks, fs.f_bsize);
  }
  if (figures.free == INT_MAX) {
    figures.free = mebibytes(fs.f_bfree, fs.f_bsize);
  }
  if (figures.used == INT_MAX) {
    figures.used = mebibytes(used, fs.f_bsize);
  }
  return figures;
}

void addSpaceMembers(Json& object, const SpaceFigures& figures) {
  if (!figures.valid()) {
    object["total_mib"] = nullptr;
    object["free_mib"] = nullptr;
    object["used_mib"] = nullptr;
    return;
  }
  object["total_mib"] = figures.total;
  object["free_mib"] = figures.free;
  object["used_mib"] = figures.used;
}

}  // namespace kxutil
