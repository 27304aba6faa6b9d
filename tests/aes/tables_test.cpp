// White-box checks of the run-time tables against independent definitions.
#include <gtest/gtest.h>

#include <cstdint>

#include "KXAPI/AES.h"
#include "aes/aes_internal.h"

namespace {

using aes_internal::Tables;
using aes_internal::TableView;

std::uint32_t Rotl(std::uint32_t w, int n) { return (w << n) | (w >> (32 - n)); }

const TableView& Built() {
  static const AES first;  // builds the tables
  static const TableView view = Tables();
  return view;
}

TEST(AesTables, FieldProducts) {
  struct Product { unsigned a, b, p; };
  const Product cases[] = {
      {0x57, 0x13, 0xFE}, {0x01, 0x01, 0x01}, {0xFF, 0x55, 0xF8},
      {0x57, 0x83, 0xC1}, {0x57, 0x02, 0xAE}, {0x57, 0x04, 0x47},
      {0x57, 0x08, 0x8E}, {0x57, 0x10, 0x07}, {0x53, 0xCA, 0x01},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GF2_8_mult(c.a, c.b), c.p) << std::hex << c.a << "*" << c.b;
    EXPECT_EQ(GF2_8_mult(c.b, c.a), c.p) << std::hex << c.b << "*" << c.a;
  }
  for (unsigned x = 0; x < 256; ++x) {
    EXPECT_EQ(GF2_8_mult(x, 0), 0);
    EXPECT_EQ(GF2_8_mult(0, x), 0);
    EXPECT_EQ(GF2_8_mult(x, 1), x);
  }
}

TEST(AesTables, ByteTables) {
  const TableView& t = Built();
  EXPECT_EQ(t.inverse[0x00], 0x00);
  EXPECT_EQ(t.inverse[0x01], 0x01);
  EXPECT_EQ(t.inverse[0x53], 0xCA);
  EXPECT_EQ(t.sbox[0x00], 0x63);
  EXPECT_EQ(t.sbox[0x01], 0x7C);
  EXPECT_EQ(t.sbox[0x53], 0xED);
  EXPECT_EQ(t.invSbox[0x00], 0x52);
  EXPECT_EQ(t.invSbox[0x63], 0x00);
  for (int x = 0; x < 256; ++x) {
    if (x != 0) {
      EXPECT_EQ(GF2_8_mult(x, t.inverse[x]), 1) << x;
    }
    EXPECT_EQ(t.invSbox[t.sbox[x]], x) << x;
  }
}

TEST(AesTables, RoundConstants) {
  const TableView& t = Built();
  const std::uint32_t first[] = {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40,
                                 0x80, 0x1B, 0x36, 0x6C, 0xD8, 0xAB, 0x4D, 0x9A, 0x2F};
  for (int i = 0; i < 17; ++i) EXPECT_EQ(t.rcon[i], first[i]) << i;
  EXPECT_EQ(t.rcon[52], 0x01u);  // period 51
  for (int i = 1; i < aes_internal::kRconSize - 1; ++i) {
    EXPECT_EQ(t.rcon[i + 1], GF2_8_mult(t.rcon[i], 2)) << i;
  }
}

TEST(AesTables, WordTables) {
  const TableView& t = Built();
  EXPECT_EQ(t.t[0][0x00], 0xA56363C6u);
  EXPECT_EQ(t.t[0][0x01], 0x847C7CF8u);
  EXPECT_EQ(t.t[1][0x00], 0x6363C6A5u);
  EXPECT_EQ(t.d[0][0x00], 0x50A7F451u);
  EXPECT_EQ(t.d[1][0x00], 0xA7F45150u);
  EXPECT_EQ(t.s[1][0x00], 0x00006300u);
  EXPECT_EQ(t.is[3][0x00], 0x52000000u);
  for (int x = 0; x < 256; ++x) {
    const std::uint32_t s = t.sbox[x], v = t.invSbox[x];
    EXPECT_EQ(t.t[0][x], GF2_8_mult(2, s) | s << 8 | s << 16 |
                             std::uint32_t{GF2_8_mult(3, s)} << 24) << x;
    EXPECT_EQ(t.d[0][x], GF2_8_mult(0x0E, v) | GF2_8_mult(0x09, v) << 8 |
                             GF2_8_mult(0x0D, v) << 16 |
                             std::uint32_t{GF2_8_mult(0x0B, v)} << 24) << x;
    for (int k = 1; k < 4; ++k) {
      EXPECT_EQ(t.t[k][x], Rotl(t.t[0][x], 8 * k)) << k << " " << x;
      EXPECT_EQ(t.d[k][x], Rotl(t.d[0][x], 8 * k)) << k << " " << x;
    }
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(t.s[k][x], s << 8 * k) << k << " " << x;
      EXPECT_EQ(t.is[k][x], v << 8 * k) << k << " " << x;
    }
  }
}

TEST(AesTables, BuiltOncePerProcess) {
  Built();
  EXPECT_EQ(aes_internal::TableBuildCount(), 1);
  AES second;
  AES third;
  EXPECT_EQ(aes_internal::TableBuildCount(), 1);
}

}  // namespace
