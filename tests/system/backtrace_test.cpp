// The program is linked with exported symbols (-rdynamic), so the frames of
// kxTestRecurse below carry its name in the listing.
#include <dlfcn.h>
#include <execinfo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "KXAPI/KXBacktrace.h"

extern "C" {

// Recurses levels times, then walks the stack itself (count in *walked:
// entries from this innermost frame outwards) and calls the printer.
__attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip, int* walked) {
  if (levels > 0) {
    const int inner = kxTestRecurse(levels - 1, depth, skip, walked);
    asm volatile("" ::: "memory");  // keeps the call out of tail position
    return inner + 1;
  }
  void* frames[KX::kMaxBacktraceFrames];
  *walked = backtrace(frames, KX::kMaxBacktraceFrames);
  KX::printBacktrace(depth, skip);
  return 0;
}

// The number of entries that a wrapper of backtrace() (AddressSanitizer
// intercepts it) puts before the caller's own frame; 0 with plain glibc.
__attribute__((noinline)) int kxTestWrapperFrames() {
  void* frames[8];
  const int walked = backtrace(frames, 8);
  for (int i = 0; i < walked; ++i) {
    Dl_info info;
    if (dladdr(frames[i], &info) != 0 && info.dli_sname != nullptr &&
        std::strcmp(info.dli_sname, "kxTestWrapperFrames") == 0) {
      return i;
    }
  }
  return -1;
}

}  // extern "C"

namespace {

struct Listing {
  std::vector<std::string> lines;
  int walked;  // the caller's own walk, one entry fewer than the printer's
};

// Runs the printer levels + 1 frames of kxTestRecurse deep, with std::cerr
// captured.
Listing print(int levels, int depth, int skip) {
  std::ostringstream captured;
  std::streambuf* const saved = std::cerr.rdbuf(captured.rdbuf());
  Listing listing{{}, 0};
  // Read through volatile so that the compiler cannot make specialised
  // copies of kxTestRecurse for constant arguments (those lack its name).
  volatile int args[3] = {levels, depth, skip};
  kxTestRecurse(args[0], args[1], args[2], &listing.walked);
  std::cerr.rdbuf(saved);
  std::istringstream in(captured.str());
  for (std::string line; std::getline(in, line);) {
    listing.lines.push_back(line);
  }
  return listing;
}

// Checks the heading, count lines "\t#<n> " numbered from 1 in decimal, and
// the "\t..." line when cut is set; nothing else.
void expectShape(const Listing& listing, int count, bool cut) {
  ASSERT_EQ(listing.lines.size(), static_cast<std::size_t>(count + 1 + (cut ? 1 : 0)));
  EXPECT_EQ(listing.lines.front(), "\tBacktrace:");
  for (int n = 1; n <= count; ++n) {
    const std::string prefix = "\t#" + std::to_string(n) + " ";
    EXPECT_EQ(listing.lines[n].compare(0, prefix.size(), prefix), 0) << listing.lines[n];
  }
  if (cut) {
    EXPECT_EQ(listing.lines.back(), "\t...");
  }
}

// Skip counts below add these, so that they count from the printer's frame.
const int kWrapper = kxTestWrapperFrames();

TEST(Backtrace, WrapperFramesAreKnown) { ASSERT_GE(kWrapper, 0); }

TEST(Backtrace, DeepStackIsCutAfterDepthFrames) {
  const Listing listing = print(20, 5, 1 + kWrapper);
  expectShape(listing, 5, true);
  for (int n = 1; n <= 5; ++n) {
    EXPECT_NE(listing.lines[n].find("kxTestRecurse"), std::string::npos) << listing.lines[n];
  }
}

TEST(Backtrace, SkipZeroStartsWithThePrinter) {
  const Listing listing = print(3, 2, kWrapper);
  expectShape(listing, 2, true);
  EXPECT_NE(listing.lines[1].find("printBacktrace"), std::string::npos) << listing.lines[1];
  EXPECT_NE(listing.lines[2].find("kxTestRecurse"), std::string::npos) << listing.lines[2];
}

TEST(Backtrace, ShallowStackListsEveryFrameWithoutCut) {
  for (int skip : {1, 2, 4}) {
    const Listing listing = print(3, 200, skip + kWrapper);
    ASSERT_LT(listing.walked + 1, 200 + skip + kWrapper);
    // The printer's walk holds its own frame and then the caller's walk.
    expectShape(listing, listing.walked + 1 - skip - kWrapper, false);
    // The innermost listed frame is the caller's when skip is 1, and
    // kxTestRecurse fills the first four entries after the printer.
    EXPECT_NE(listing.lines[1].find("kxTestRecurse"), std::string::npos) << listing.lines[1];
  }
}

TEST(Backtrace, DepthZeroPrintsOnlyHeadingAndCut) { expectShape(print(5, 0, 1), 0, true); }

TEST(Backtrace, SkipBeyondTheStackPrintsOnlyTheHeading) { expectShape(print(0, 1, 250), 0, false); }

TEST(Backtrace, NegativeArgumentsCountAsZero) {
  EXPECT_EQ(print(2, -3, -1).lines, print(2, 0, 0).lines);
  expectShape(print(2, -3, -1), 0, true);
  EXPECT_EQ(print(5, -1, 1).lines, print(5, 0, 1).lines);
}

TEST(Backtrace, RequestsAreCutAtTheFrameLimit) {
  // 300 frames deep: the walk stops at the limit and says so.
  const Listing listing = print(300, 1000, 1);
  expectShape(listing, KX::kMaxBacktraceFrames - 1, true);
  const Listing huge = print(300, 2147483647, 2147483647);
  expectShape(huge, 0, true);
}

TEST(Backtrace, LineNumbersFollowTheStreamFormat) {
  std::cerr << std::hex;
  const Listing listing = print(20, 12, 1 + kWrapper);
  std::cerr << std::dec;
  ASSERT_EQ(listing.lines.size(), 14u);
  EXPECT_EQ(listing.lines[10].rfind("\t#a ", 0), 0u) << listing.lines[10];
  EXPECT_EQ(listing.lines[12].rfind("\t#c ", 0), 0u) << listing.lines[12];
}

}  // namespace
