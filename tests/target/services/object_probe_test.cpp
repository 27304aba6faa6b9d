// The offsets of tests/data/target/layout.txt checked on real objects: each
// member is found where the table puts it by the value that a public call
// leaves in it. This catches a layout that the mirror structs of
// layout_test.cpp describe wrongly, and a byte order mistake in the round
// keys on a big-endian CPU.
#include <cstring>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "../layout_table.h"
#include "KXAPI/AES.h"
#include "KXAPI/KXAES.h"
#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"

namespace {

const std::map<std::string, std::size_t>& layout() {
  static const auto table = kxtest::loadLayout();
  return table;
}

std::size_t at(const std::string& name) {
  const auto row = layout().find(name);
  if (row == layout().end()) throw std::runtime_error("no layout row " + name);
  return row->second;
}

int intAt(const void* object, std::size_t offset) {
  int value = 0;
  std::memcpy(&value, static_cast<const unsigned char*>(object) + offset, sizeof value);
  return value;
}

const unsigned char* bytesAt(const void* object, std::size_t offset) {
  return static_cast<const unsigned char*>(object) + offset;
}

// The 32 key bytes 00 01 .. 1f of the FIPS-197 examples; the first Nk words
// of the key expansion are the key itself, byte for byte.
struct Key {
  unsigned char bytes[32];
  Key() {
    for (int i = 0; i < 32; ++i) bytes[i] = static_cast<unsigned char>(i);
  }
};

struct ParameterCase {
  int keyBits, blockBits, nb, nk, nr;
};

void PrintTo(const ParameterCase& c, std::ostream* os) {
  *os << "key " << c.keyBits << ", block " << c.blockBits;
}

class AESObjectTest : public testing::TestWithParam<ParameterCase> {};

TEST_P(AESObjectTest, ParametersAndRoundKeysLieAtTheirOffsets) {
  const ParameterCase& c = GetParam();
  AES engine;
  engine.SetParameters(c.keyBits, c.blockBits);
  EXPECT_EQ(intAt(&engine, at("AES.Nb")), c.nb);
  EXPECT_EQ(intAt(&engine, at("AES.Nk")), c.nk);
  EXPECT_EQ(intAt(&engine, at("AES.Nr")), c.nr);
  const Key key;
  engine.StartEncryption(key.bytes);
  EXPECT_EQ(std::memcmp(bytesAt(&engine, at("AES.W")), key.bytes, 4 * c.nk), 0)
      << "W does not start with the key bytes in their order";
}

INSTANTIATE_TEST_SUITE_P(Lengths, AESObjectTest,
                         testing::Values(ParameterCase{128, 128, 4, 4, 10},
                                         ParameterCase{192, 128, 4, 6, 12},
                                         ParameterCase{256, 128, 4, 8, 14},
                                         ParameterCase{128, 256, 8, 4, 14}),
                         [](const testing::TestParamInfo<ParameterCase>& info) {
                           return "key" + std::to_string(info.param.keyBits) + "_block" +
                                  std::to_string(info.param.blockBits);
                         });

TEST(KXAESObjectTest, MembersLieAtTheirOffsets) {
  KX::KXAES aes;
  const unsigned char* key = bytesAt(&aes, at("KX::KXAES.aesKey"));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(key[i], 0xFF) << "aesKey byte " << i;

  const std::string newKey = "0123456789abcdef";
  ASSERT_EQ(aes.startEncryption(newKey), 0);
  EXPECT_EQ(std::memcmp(key, newKey.data(), 16), 0);

  // The AES base: 128-bit key and block, the key at the start of W.
  const std::size_t base = at("KX::KXAES.AES");
  EXPECT_EQ(intAt(&aes, base + at("AES.Nb")), 4);
  EXPECT_EQ(intAt(&aes, base + at("AES.Nk")), 4);
  EXPECT_EQ(intAt(&aes, base + at("AES.Nr")), 10);
  EXPECT_EQ(std::memcmp(bytesAt(&aes, base + at("AES.W")), newKey.data(), 16), 0);

  const void* result = bytesAt(&aes, at("KX::KXAES.encryptedData"));
  EXPECT_EQ(static_cast<const void*>(&aes.getEncryptedData()), result);
}

class NullListener : public KX::KXEventListener {
public:
  void handleEvent(KX::KXEvent&) override {}
};

TEST(KXTimerObjectTest, MapsLieAtTheirOffsets) {
  using OneShots = std::map<KX::KXEventListener*, unsigned long>;
  using Repeats = std::map<KX::KXEventListener*, KX::RepeatTimeout>;
  KX::KXTimer timer;
  NullListener a, b;
  const unsigned long before = KX::KXTick::getTickCount();
  ASSERT_EQ(timer.installTimer(1000, KX::TIMER_ONE_SHOT, &a), 0);
  ASSERT_EQ(timer.installTimer(2000, KX::TIMER_REPEAT, &a), 0);
  ASSERT_EQ(timer.installTimer(3000, KX::TIMER_REPEAT, &b), 0);
  const unsigned long after = KX::KXTick::getTickCount();

  const auto* oneShots = reinterpret_cast<const OneShots*>(
      bytesAt(&timer, at("KX::KXTimer.oneShotTimeouts")));
  const auto* repeats = reinterpret_cast<const Repeats*>(
      bytesAt(&timer, at("KX::KXTimer.repeatTimeouts")));
  ASSERT_EQ(oneShots->size(), 1u);
  ASSERT_EQ(repeats->size(), 2u);
  EXPECT_EQ(oneShots->begin()->first, &a);
  EXPECT_GE(oneShots->at(&a) - before, 1000ul);
  EXPECT_LE(oneShots->at(&a) - before, after - before + 1000ul);
  EXPECT_EQ(repeats->at(&a).interval, 2000ul);
  EXPECT_EQ(repeats->at(&b).interval, 3000ul);
  for (KX::KXEventListener* listener : {static_cast<KX::KXEventListener*>(&a),
                                        static_cast<KX::KXEventListener*>(&b)}) {
    const KX::RepeatTimeout& r = repeats->at(listener);
    EXPECT_LE(r.deadline - r.interval - before, after - before) << "deadline = now + interval";
  }
  timer.removeTimer(KX::TIMER_ONE_SHOT, &a);
  timer.removeTimer(KX::TIMER_REPEAT, &a);
  timer.removeTimer(KX::TIMER_REPEAT, &b);
  EXPECT_TRUE(oneShots->empty());
  EXPECT_TRUE(repeats->empty());
}

}  // namespace
