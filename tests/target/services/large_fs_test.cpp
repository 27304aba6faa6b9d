// KX::getDiskSpace on a file system of more than 2^32 blocks. On a 32-bit
// target statvfs fails with EOVERFLOW (or, under emulation, truncates) unless
// the library is built with 64-bit file-system counts, and the byte counts
// overflow unless they are formed in 64-bit arithmetic.
//
// large_fs_test TOTAL_MIB DIR: DIR is an empty tmpfs of TOTAL_MIB mebibytes
// (see with_large_tmpfs.sh); the oracle for the free and used figures is
// glibc's statvfs in this program.
#include <sys/statvfs.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "KXAPI/KXStorage.h"

static_assert(sizeof(fsblkcnt_t) == 8, "built with 64-bit file-system counts");

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: large_fs_test TOTAL_MIB DIR\n";
    return 2;
  }
  const long long totalMiB = std::atoll(argv[1]);
  const std::string dir = argv[2];

  struct statvfs fs {};
  if (statvfs(dir.c_str(), &fs) != 0) {
    std::cerr << "statvfs " << dir << " failed\n";
    return 1;
  }
  if (fs.f_blocks <= 0xFFFFFFFFull) {
    std::cerr << dir << " has only " << fs.f_blocks << " blocks: not a large file system\n";
    return 1;
  }
  const auto mib = [&](std::uint64_t blocks) {
    return static_cast<long long>(blocks * fs.f_bsize / 1048576u);
  };
  struct Case {
    KX::StorageInfo which;
    const char* name;
    long long expected;
  } cases[] = {
      {KX::TOTAL_SPACE, "TOTAL_SPACE", totalMiB},
      {KX::FREE_SPACE, "FREE_SPACE", mib(fs.f_bfree)},
      {KX::USED_SPACE, "USED_SPACE", mib(fs.f_blocks - fs.f_bfree)},
  };
  int failures = 0;
  for (const Case& c : cases) {
    const int got = KX::getDiskSpace(c.which, dir);
    const bool ok = got == c.expected;
    std::cout << (ok ? "ok   " : "FAIL ") << c.name << ": " << got << " MiB, expected "
              << c.expected << '\n';
    failures += !ok;
  }
  return failures == 0 ? 0 : 1;
}
