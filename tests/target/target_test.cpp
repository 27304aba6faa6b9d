// What depends on the target: the timer across the wrap of the 32-bit tick counter, and the
// storage query on the file systems that the target.*_file_system tests mount. The program
// defines KX::KXTick::getTickCount(), which replaces the platform library's through the
// dynamic linker.
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include <gtest/gtest.h>

#include "KXAPI/KXStorage.h"
#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"

static unsigned long g_tick = 0;
unsigned long KX::KXTick::getTickCount() { return g_tick; }

struct Counter : KX::KXEventListener {
  void handleEvent(KX::KXEvent& /*event*/) override { ++fired; }
  int fired = 0;
};

// The due test is "deadline < now" on the raw values: with a 32-bit unsigned long (the device)
// a deadline that wraps past 0xFFFFFFFF is smaller than every tick before the wrap, so the timer
// fires at the next check; with 64 bits nothing fires early. Each check is
// "tick:notifications with 32 bits/with 64 bits", ticks in hex.
TEST(TimerWrap, FiresAsTheDataModelDictates) {
  const struct {
    KX::KXTimerType type;
    unsigned long install;
    unsigned long timeout;
    const char* checks;
  } rows[] = {
      {KX::TIMER_ONE_SHOT, 0xFFFFFFFA, 0xA, "FFFFFFFA:1/0 FFFFFFFB:0/0 5:0/0"},
      {KX::TIMER_ONE_SHOT, 0xFFFFFFFA, 0xA, "3:0/0 4:0/0 5:1/0 6:0/0"},
      {KX::TIMER_ONE_SHOT, 0xFFFFFFF0, 0xF, "FFFFFFFF:0/0 0:0/0 7FFFFFFF:0/0"},
      {KX::TIMER_REPEAT, 0xFFFFFFF0, 0x20, "FFFFFFF1:1/0 5:0/0 12:0/0 13:1/0 33:0/0 34:1/0"},
  };
  for (const auto& row : rows) {
    KX::KXTimer timer;
    Counter listener;
    g_tick = row.install;
    timer.installTimer(row.timeout, row.type, &listener);
    std::istringstream checks(row.checks);
    char colon = 0;
    char slash = 0;
    for (int ilp32 = 0, lp64 = 0;
         checks >> std::hex >> g_tick >> colon >> ilp32 >> slash >> lp64;) {
      listener.fired = 0;
      timer.checkTimeouts();
      EXPECT_EQ(listener.fired, sizeof(long) == 4 ? ilp32 : lp64) << row.checks << " " << g_tick;
    }
  }
}

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
    ASSERT_LT(mib(fs.f_blocks - fs.f_bfree), mib(fs.f_bavail)) << "too full";
  } else {
    ASSERT_GT(fs.f_blocks, 0xFFFFFFFFULL) << "not a large file system: " << dir;
  }
  EXPECT_EQ(KX::getDiskSpace(KX::TOTAL_SPACE, dir), mib(fs.f_blocks));
  EXPECT_EQ(KX::getDiskSpace(KX::FREE_SPACE, dir), mib(fs.f_bfree));
  EXPECT_EQ(KX::getDiskSpace(KX::USED_SPACE, dir), mib(fs.f_blocks - fs.f_bfree));
}
