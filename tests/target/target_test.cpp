// What depends on the target: the binary layout of the public types per data model, the
// timer across the wrap of the 32-bit tick counter, the backtrace walk and the storage
// query on a file system of more than 2^32 blocks. The program defines
// KX::KXTick::getTickCount(), which replaces the platform library's through the dynamic
// linker, and exports its symbols so that the backtrace can name its frames.
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXStatus.h"
#include "KXAPI/KXStorage.h"
#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"
#include "test_file.h"

static unsigned long g_tick = 0;
unsigned long KX::KXTick::getTickCount() { return g_tick; }

// Names the protected members of AES; adds no data.
struct AESProbe : AES {
  using AES::Nb, AES::Nk, AES::Nr, AES::W;
};

struct Counter : KX::KXEventListener {
  void handleEvent(KX::KXEvent&) override { ++fired; }
  int fired = 0;
};
static Counter listener;  // a timer calls it only from checkTimeouts()

// Public members are measured by the compiler, private ones on real objects by what public
// calls leave in them. Every measurement has its record in layout.txt and every record its
// measurement.
TEST(Layout, EveryQuantityMatchesTheTable) {
  const std::string key = "0123456789abcdef";
  KX::KXAES aes;
  ASSERT_EQ(aes.startEncryption(key), KX::KX_STATUS_OK);
  const auto* raw = reinterpret_cast<const char*>(&aes);
  const auto* engine = reinterpret_cast<const char*>((const AES*)&aes);  // the private base
  const auto at = [raw](const void* p) { return std::size_t(static_cast<const char*>(p) - raw); };
  std::map<std::string, std::size_t> measured{
      {"AES.size", sizeof(AES)},
      {"AES.Nb", offsetof(AESProbe, Nb)},
      {"AES.Nk", offsetof(AESProbe, Nk)},
      {"AES.Nr", offsetof(AESProbe, Nr)},
      {"AES.W", offsetof(AESProbe, W)},
      {"KXAES.AES", at(engine)},
      {"KXAES.size", sizeof(KX::KXAES)},
      {"wchar_t.size", sizeof(wchar_t)},
      // The key is kept after the AES base, whose round keys begin with it too.
      {"KXAES.aesKey", std::string(raw, sizeof aes).find(key, at(engine) + sizeof(AES))},
      {"KXAES.encryptedData", at(&aes.getEncryptedData())},
      {"KXTimer.size", sizeof(KX::KXTimer)},
      {"KXEvent.size", sizeof(KX::KXEvent)},
      {"KXEvent.data", offsetof(KX::KXEvent, data)},
      {"KXEvent.id", offsetof(KX::KXEvent, id)},
      {"KXEvent.param", offsetof(KX::KXEvent, param)}};

  kxtest::TestFile::forEach("target/layout.txt", [&measured](kxtest::Record& r) {
    const long ilp32 = r.number("ILP32"), lp64 = r.number("LP64");
    const auto expected = static_cast<std::size_t>(sizeof(long) == 4 ? ilp32 : lp64);
    if (r.name() == "KXTimer.oneShotTimeouts") {
      // The one-shot map holds the one timer installed; in its place the repeat map (the
      // members swapped) would hold none. A change of the repeat map's offset shows in the size.
      KX::KXTimer timer;
      timer.installTimer(1, KX::TIMER_ONE_SHOT, &listener);
      const auto* oneShots = reinterpret_cast<const std::map<KX::KXEventListener*, unsigned long>*>(
          reinterpret_cast<const char*>(&timer) + expected);
      EXPECT_EQ(oneShots->size(), 1u);
      return;
    }
    const auto found = measured.find(r.name());
    ASSERT_NE(found, measured.end()) << "nothing measures it";
    EXPECT_EQ(found->second, expected);
    measured.erase(found);
  });
  for (const auto& [name, value] : measured) ADD_FAILURE() << name << " has no record";
}

// The scenarios and why 32 and 64 bits differ are in tests/data/target/timer_wrap.txt.
TEST(TimerWrap, FiresAsTheDataModelDictates) {
  kxtest::TestFile::forEach("target/timer_wrap.txt", [](kxtest::Record& r) {
    KX::KXTimer timer;
    g_tick = std::stoul(r.text("Install"), nullptr, 0);
    timer.installTimer(std::stoul(r.text("Timeout"), nullptr, 0),
                       r.text("Type") == "repeat" ? KX::TIMER_REPEAT : KX::TIMER_ONE_SHOT,
                       &listener);
    std::istringstream checks(r.text("Checks"));
    char colon, slash;
    for (int ilp32, lp64; checks >> std::hex >> g_tick >> colon >> ilp32 >> slash >> lp64;) {
      listener.fired = 0;
      timer.checkTimeouts();
      EXPECT_EQ(listener.fired, sizeof(long) == 4 ? ilp32 : lp64)
          << "tick 0x" << std::hex << g_tick;
    }
  });
}

// Recurses depth times, then lists the stack. The program's -fno-inline
// -fno-optimize-sibling-calls keep the recursion from becoming a loop.
extern "C" __attribute__((noinline, visibility("default"))) void kx_target_recurse(int depth);
extern "C" __attribute__((noinline, visibility("default"))) void kx_target_recurse(int depth) {
  if (depth == 0) return KX::printBacktrace(64, 1);
  kx_target_recurse(depth - 1);
}

// On ARM the walk needs unwind tables in every frame (-funwind-tables), or it stops early.
// skip 1 starts the list at the printer's caller (under AddressSanitizer, whose backtrace
// interceptor adds a frame, at the printer): the 21 frames of the recursion come first,
// then at least the test body and main.
TEST(Backtrace, ListsEveryFrameOfARecursion) {
  testing::internal::CaptureStderr();
  volatile int depth = 20;  // unknown to the optimiser, which would clone the function per depth
  kx_target_recurse(depth);
  const std::string listing = testing::internal::GetCapturedStderr();
  const std::string frame = "\t#[0-9]+ .*", recursion = frame + "kx_target_recurse.*\n";
  const std::regex expected("^\tBacktrace:\n(" + frame + "printBacktrace.*\n)?(" + recursion +
                            "){21}(" + frame + "\n){2}");
  EXPECT_TRUE(std::regex_search(listing, expected)) << listing;
}

// Run by the tests target.large_file_system (20 TiB) and target.petabyte_file_system (3 PiB),
// which mount a tmpfs of more than 2^32 blocks in a private namespace and name it in
// KX_LARGE_FS_DIR. On a 32-bit target statvfs fails (or, under emulation, truncates) without
// 64-bit file-system counts, and the MiB figures overflow unless formed in 64-bit arithmetic;
// from 2^31 MiB on they saturate at INT_MAX. glibc's statvfs here is the oracle.
TEST(LargeFileSystem, DiskSpaceMatchesStatvfs) {
  const char* dir = std::getenv("KX_LARGE_FS_DIR");
  if (dir == nullptr) GTEST_SKIP() << "runs inside target.large_file_system";
  struct statvfs fs {};
  statvfs(dir, &fs);  // on failure f_blocks stays 0
  ASSERT_GT(fs.f_blocks, 0xFFFFFFFFull) << "not a large file system: " << dir;
  const auto mib = [&fs](unsigned long long n) {
    return std::min(static_cast<long long>(n * fs.f_bsize >> 20), 2147483647LL);
  };
  EXPECT_EQ(KX::getDiskSpace(KX::TOTAL_SPACE, dir), mib(fs.f_blocks));
  EXPECT_EQ(KX::getDiskSpace(KX::FREE_SPACE, dir), mib(fs.f_bfree));
  EXPECT_EQ(KX::getDiskSpace(KX::USED_SPACE, dir), mib(fs.f_blocks - fs.f_bfree));
}
