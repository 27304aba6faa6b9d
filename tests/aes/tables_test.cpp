// White-box checks of the run-time tables against their defining relations
// and a few published values.
#include <gtest/gtest.h>

#include <cstdint>

#include "KXAPI/AES.h"
#include "aes/aes_internal.h"

namespace {

std::uint32_t Rotl(std::uint32_t w, int n) { return (w << n) | (w >> (32 - n)); }

TEST(AesTables, PublishedValues) {
  const AES first;  // builds the tables
  const aes_internal::TableView t = aes_internal::Tables();
  EXPECT_EQ(GF2_8_mult(0x57, 0x13), 0xFE);
  EXPECT_EQ(GF2_8_mult(0xFF, 0x55), 0xF8);
  EXPECT_EQ(GF2_8_mult(0x57, 0x83), 0xC1);
  EXPECT_EQ(t.inverse[0x53], 0xCA);
  EXPECT_EQ(t.sbox[0x00], 0x63);
  EXPECT_EQ(t.sbox[0x53], 0xED);
  EXPECT_EQ(t.invSbox[0x00], 0x52);
  const std::uint32_t rcon[] = {0, 1, 2, 4, 8, 0x10, 0x20, 0x40, 0x80, 0x1B, 0x36, 0x6C};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(t.rcon[i], rcon[i]) << i;
  EXPECT_EQ(t.rcon[52], 0x01u);  // period 51
  EXPECT_EQ(t.rcon[aes_internal::kRconSize - 1], GF2_8_mult(t.rcon[57], 2));
  EXPECT_EQ(t.t[0][0x01], 0x847C7CF8u);
  EXPECT_EQ(t.d[0][0x00], 0x50A7F451u);
  EXPECT_EQ(t.s[1][0x00], 0x00006300u);
  EXPECT_EQ(t.is[3][0x00], 0x52000000u);
}

TEST(AesTables, Relations) {
  const AES first;
  const aes_internal::TableView t = aes_internal::Tables();
  for (unsigned x = 0; x < 256; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(GF2_8_mult(x, 0), 0);
    EXPECT_EQ(GF2_8_mult(x, t.inverse[x]), x == 0 ? 0 : 1);
    EXPECT_EQ(t.invSbox[t.sbox[x]], x);
    const std::uint32_t s = t.sbox[x], v = t.invSbox[x];
    EXPECT_EQ(t.t[0][x], GF2_8_mult(2, s) | s << 8 | s << 16 | std::uint32_t{GF2_8_mult(3, s)} << 24);
    EXPECT_EQ(t.d[0][x], GF2_8_mult(14, v) | GF2_8_mult(9, v) << 8 | GF2_8_mult(13, v) << 16 |
                             std::uint32_t{GF2_8_mult(11, v)} << 24);
    for (int k = 1; k < 4; ++k) {
      EXPECT_EQ(t.t[k][x], Rotl(t.t[0][x], 8 * k)) << k;
      EXPECT_EQ(t.d[k][x], Rotl(t.d[0][x], 8 * k)) << k;
    }
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(t.s[k][x], s << 8 * k) << k;
      EXPECT_EQ(t.is[k][x], v << 8 * k) << k;
    }
  }
}

}  // namespace
