#include <gtest/gtest.h>

#include <cstdint>

#include "system/system_internal.h"

namespace {

using KX::internal::diskSpaceFromFigures;

struct SpaceCase {
  const char* name;
  std::uint64_t blockSize, blocks, freeBlocks;
  int total, free, used;
};

class DiskSpaceTest : public ::testing::TestWithParam<SpaceCase> {};

TEST_P(DiskSpaceTest, ComputesEachFigureInMebibytes) {
  const SpaceCase& c = GetParam();
  EXPECT_EQ(diskSpaceFromFigures(KX::TOTAL_SPACE, c.blockSize, c.blocks, c.freeBlocks), c.total);
  EXPECT_EQ(diskSpaceFromFigures(KX::FREE_SPACE, c.blockSize, c.blocks, c.freeBlocks), c.free);
  EXPECT_EQ(diskSpaceFromFigures(KX::USED_SPACE, c.blockSize, c.blocks, c.freeBlocks), c.used);
  // 3 is the only other value the enumeration can hold.
  EXPECT_EQ(
      diskSpaceFromFigures(static_cast<KX::StorageInfo>(3), c.blockSize, c.blocks, c.freeBlocks),
      -1);
}

constexpr std::uint64_t k2To32 = std::uint64_t{1} << 32;

INSTANTIATE_TEST_SUITE_P(Figures, DiskSpaceTest,
                         ::testing::Values(
                             // Each figure truncated on its own: 3906 > 976 + 2929.
                             SpaceCase{"Typical", 4096, 1000000, 250000, 3906, 976, 2929},
                             SpaceCase{"BelowOneMebibyte", 4096, 255, 100, 0, 0, 0},
                             SpaceCase{"ExactlyOneMebibyte", 1024, 1024, 1024, 1, 1, 0},
                             SpaceCase{"Empty", 4096, 0, 0, 0, 0, 0},
                             // Products beyond 32 bits must not wrap.
                             SpaceCase{"BlockCountsAbove2To32", 4096, k2To32 + 256, k2To32,
                                       16777217, 16777216, 1},
                             SpaceCase{"LargeBlocks", 65536, 100000, 1, 6250, 0, 6249}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
