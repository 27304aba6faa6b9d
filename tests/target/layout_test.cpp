// The binary layout of the public types, measured by the compiler of this
// build and compared with tests/data/target/layout.txt. Application binaries
// built against the headers hard-code these sizes and offsets (inline
// members, objects on their stacks, derived classes), so they are part of the
// library's ABI on the device and on every other target.
//
// Public members are measured with offsetof. The protected members of AES are
// measured through a derived class that adds no data. The private members of
// KX::KXAES and KX::KXTimer are measured on mirror structs declared like the
// classes, after checking that the mirror has the class's size and
// alignment; the runtime probes in services/ check those offsets on real
// objects.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include "KXAPI/AES.h"
#include "KXAPI/KXAES.h"
#include "KXAPI/KXStorage.h"
#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXEvent.h"
#include "layout_table.h"

// Facts of the platform that the headers' contracts need on every target.
static_assert(sizeof(wchar_t) == 4 && WCHAR_MAX >= 0x10FFFF,
              "wide strings hold one UTF-32 code point per wchar_t");
static_assert(!std::is_polymorphic_v<AES>, "AES has no virtual table");
static_assert(std::is_standard_layout_v<AES>, "AES is a plain record of data");
static_assert(std::is_polymorphic_v<KX::KXAES>, "KXAES brings a virtual table");
static_assert(std::is_polymorphic_v<KX::KXTimer>, "KXTimer has a virtual destructor");
static_assert(std::is_standard_layout_v<KX::KXEvent>, "KXEvent is a C record");
static_assert(std::is_standard_layout_v<KX::RepeatTimeout>, "RepeatTimeout is a C record");

namespace {

// Reaches the protected members of AES; adds no data of its own.
struct AESLayout : AES {
  static constexpr std::size_t kNb() { return offsetof(AESLayout, Nb); }
  static constexpr std::size_t kNk() { return offsetof(AESLayout, Nk); }
  static constexpr std::size_t kNr() { return offsetof(AESLayout, Nr); }
  static constexpr std::size_t kW() { return offsetof(AESLayout, W); }
};
static_assert(sizeof(AESLayout) == sizeof(AES));

// Declared like KX::KXAES: the virtual table pointer, the AES base, then the
// private members in their order.
struct KXAESMirror {
  void* vptr;
  alignas(AES) unsigned char engine[sizeof(AES)];
  unsigned char aesKey[16];
  std::string encryptedData;
};

// Declared like KX::KXTimer.
struct KXTimerMirror {
  void* vptr;
  std::map<KX::KXEventListener*, unsigned long> oneShotTimeouts;
  std::map<KX::KXEventListener*, KX::RepeatTimeout> repeatTimeouts;
};

// offsetof on the mirrors, which hold a std::string or std::map member and so
// need not be standard-layout; GCC and Clang lay them out like C structs.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
std::map<std::string, std::size_t> measured() {
  return {
      {"pointer.size", sizeof(void*)},
      {"wchar_t.size", sizeof(wchar_t)},
      {"AES.size", sizeof(AES)},
      {"AES.align", alignof(AES)},
      {"AES.Nb", AESLayout::kNb()},
      {"AES.Nk", AESLayout::kNk()},
      {"AES.Nr", AESLayout::kNr()},
      {"AES.W", AESLayout::kW()},
      {"AES::BlockMode.size", sizeof(AES::BlockMode)},
      {"KX::KXAES.size", sizeof(KX::KXAES)},
      {"KX::KXAES.align", alignof(KX::KXAES)},
      {"KX::KXAES.vptr", offsetof(KXAESMirror, vptr)},
      {"KX::KXAES.AES", offsetof(KXAESMirror, engine)},
      {"KX::KXAES.aesKey", offsetof(KXAESMirror, aesKey)},
      {"KX::KXAES.encryptedData", offsetof(KXAESMirror, encryptedData)},
      {"KX::KXTimer.size", sizeof(KX::KXTimer)},
      {"KX::KXTimer.vptr", offsetof(KXTimerMirror, vptr)},
      {"KX::KXTimer.oneShotTimeouts", offsetof(KXTimerMirror, oneShotTimeouts)},
      {"KX::KXTimer.repeatTimeouts", offsetof(KXTimerMirror, repeatTimeouts)},
      {"KX::KXTimerType.size", sizeof(KX::KXTimerType)},
      {"KX::RepeatTimeout.size", sizeof(KX::RepeatTimeout)},
      {"KX::RepeatTimeout.deadline", offsetof(KX::RepeatTimeout, deadline)},
      {"KX::RepeatTimeout.interval", offsetof(KX::RepeatTimeout, interval)},
      {"KX::KXEvent.size", sizeof(KX::KXEvent)},
      {"KX::KXEvent.id", offsetof(KX::KXEvent, id)},
      {"KX::KXEvent.param", offsetof(KX::KXEvent, param)},
      {"KX::KXEvent.data", offsetof(KX::KXEvent, data)},
      {"KX::StorageInfo.size", sizeof(KX::StorageInfo)},
  };
}
#pragma GCC diagnostic pop

TEST(LayoutTest, MirrorsMatchTheClassesTheyStandFor) {
  EXPECT_EQ(sizeof(KXAESMirror), sizeof(KX::KXAES));
  EXPECT_EQ(alignof(KXAESMirror), alignof(KX::KXAES));
  EXPECT_EQ(sizeof(KXTimerMirror), sizeof(KX::KXTimer));
  EXPECT_EQ(alignof(KXTimerMirror), alignof(KX::KXTimer));
}

TEST(LayoutTest, EveryQuantityMatchesTheTable) {
  const auto expected = kxtest::loadLayout();
  const auto actual = measured();
  for (const auto& [name, value] : actual) {
    const auto row = expected.find(name);
    if (row == expected.end()) {
      ADD_FAILURE() << name << " is measured but has no row in layout.txt";
      continue;
    }
    EXPECT_EQ(value, row->second) << name << " (" << kxtest::dataModel() << ")";
  }
  for (const auto& [name, value] : expected)
    EXPECT_TRUE(actual.count(name)) << "layout.txt row " << name << " is measured by nothing";
}

// The instruction set and byte order that the cross builds promise.
TEST(LayoutTest, BuildTargetsTheIntendedCpu) {
#if defined(__arm__)
  EXPECT_EQ(__ARM_ARCH, 6) << "the device is an ARMv6 (ARM1176) CPU";
  EXPECT_EQ(sizeof(unsigned long), 4u);
  EXPECT_EQ(__BYTE_ORDER__, __ORDER_LITTLE_ENDIAN__);
#elif defined(__powerpc__) && !defined(__powerpc64__)
  EXPECT_EQ(sizeof(unsigned long), 4u);
  EXPECT_EQ(__BYTE_ORDER__, __ORDER_BIG_ENDIAN__);
#endif
  // The byte order the compiler claims is the one the CPU runs.
  const std::uint32_t word = 0x01020304;
  unsigned char first = 0;
  std::memcpy(&first, &word, 1);
  EXPECT_EQ(first, __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 0x01 : 0x04);
}

}  // namespace
