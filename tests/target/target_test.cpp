// What depends on the target and the system: the storage query on the file systems that the
// target.*_file_system tests mount.
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include "KXAPI/KXStorage.h"

// Run inside the target.*_file_system tests, which mount a file system on KX_FS_DIR: tmpfs of
// more than 2^32 blocks (where a 32-bit target needs 64-bit counts and the MiB figures saturate
// from 2^31 on), or an ext4 image with blocks reserved for root (KX_FS_RESERVED), where total,
// free, used and available space all differ. glibc's statvfs is the oracle.
TEST(FileSystem, DiskSpaceMatchesStatvfs) {
  const char* dir = std::getenv("KX_FS_DIR");
  if (dir == nullptr) {
    GTEST_SKIP() << "runs inside the target.*_file_system tests";
  }
  struct statvfs fs {};
  ASSERT_EQ(statvfs(dir, &fs), 0) << dir;
  const auto mib = [&fs](unsigned long long n) {
    return static_cast<int>(std::min(static_cast<long long>(n * fs.f_bsize >> 20), 2147483647LL));
  };
  if (std::getenv("KX_FS_RESERVED") != nullptr) {
    ASSERT_LT(mib(fs.f_bavail), mib(fs.f_bfree)) << "no blocks reserved for root";
  } else {
    ASSERT_GT(fs.f_blocks, 0xFFFFFFFFULL) << "not a large file system: " << dir;
  }
  EXPECT_EQ(KX::getDiskSpace(KX::TOTAL_SPACE, dir), mib(fs.f_blocks));
  EXPECT_EQ(KX::getDiskSpace(KX::FREE_SPACE, dir), mib(fs.f_bfree));
  EXPECT_EQ(KX::getDiskSpace(KX::USED_SPACE, dir), mib(fs.f_blocks - fs.f_bfree));
}
