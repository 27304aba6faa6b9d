// The UTF routines and the string conversions against glibc's iconv, over
// random valid and invalid inputs.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "KXAPI/KXStringConversion.h"
#include "KXPlatform/ConvertUTF.h"

namespace {

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
const char kUtf32[] = "UTF-32LE";
#else
const char kUtf32[] = "UTF-32BE";
#endif

// What iconv made of an input: its errno (0 on success), where it stopped in
// the source and what it wrote.
struct Outcome {
  int error;
  std::size_t stop;
  std::string output;
};

// A cross build's emulated C library may come without iconv's converter
// modules; the oracle is then missing and the comparison is skipped.
bool iconvAvailable() {
  iconv_t cd = iconv_open("UTF-8", kUtf32);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

Outcome viaIconv(const char* to, const char* from, const std::string& input) {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
  std::string out(4 * input.size() + 4, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char* outPtr = &out[0];
  std::size_t outLeft = out.size();
  const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  const int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return {error, static_cast<std::size_t>(in - input.data()), out};
}

std::string asBytes(const std::vector<UTF32>& units) {
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 4);
}

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (unsigned char b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
    s += ' ';
  }
  return s;
}

// Random inputs. Code points favour the edges of the UTF-8 length classes and
// of the surrogate and scalar ranges; bytes favour lead and continuation
// bytes; mutated texts start as valid UTF-8 and get one byte changed,
// inserted, removed or cut off.
class Inputs {
public:
  explicit Inputs(unsigned seed) : rng_(seed) {}

  UTF32 codePoint() {
    static const UTF32 edges[] = {0,      0x7F,    0x80,    0x7FF,    0x800,    0xFFF,
                                  0x1000, 0xD7FF,  0xD800,  0xDBFF,   0xDC00,   0xDFFF,
                                  0xE000, 0xFFFD,  0xFFFE,  0xFFFF,   0x10000,  0x3FFFF,
                                  0x40000, 0xFFFFF, 0x100000, 0x10FFFF, 0x110000,
                                  0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    switch (pick(6)) {
      case 0: return edges[pick(sizeof edges / sizeof edges[0])];
      case 1: return static_cast<UTF32>(pick(0x80));
      case 2: return static_cast<UTF32>(pick(0x800));
      case 3: return static_cast<UTF32>(pick(0x10000));
      case 4: return static_cast<UTF32>(pick(0x110000));
      default: return static_cast<UTF32>(rng_());
    }
  }

  UTF32 scalarValue() {
    for (;;) {
      const UTF32 c = codePoint();
      if (c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) return c;
    }
  }

  std::vector<UTF32> codePoints(bool validOnly) {
    std::vector<UTF32> v(pick(12));
    for (auto& c : v) c = validOnly ? scalarValue() : codePoint();
    return v;
  }

  std::string randomBytes() {
    static const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                                0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC,
                                                0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5,
                                                0xF7, 0xF8, 0xFE, 0xFF};
    std::string s(pick(10), '\0');
    for (auto& b : s) {
      b = static_cast<char>(pick(2) ? interesting[pick(sizeof interesting)] : pick(256));
    }
    return s;
  }

  std::string mutate(std::string s) {
    const std::size_t at = pick(s.size() + 1);
    const char byte = static_cast<char>(0x80 | pick(0x80));
    switch (pick(4)) {
      case 0: if (at < s.size()) s[at] = static_cast<char>(pick(256)); break;
      case 1: s.insert(at, 1, byte); break;
      case 2: if (at < s.size()) s.erase(at, 1); break;
      default: s.resize(at); break;
    }
    return s;
  }

  std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

private:
  std::mt19937 rng_;
};

constexpr unsigned kSeed = 20261205;
constexpr int kRounds = 4000;

// Encodes with the routine; the result, where it stopped and what it wrote.
Outcome encode(const std::vector<UTF32>& cps, UtfConversionStatus* status) {
  std::string out(4 * cps.size() + 1, '\0');
  const UTF32* src = cps.data();
  UTF8* const begin = reinterpret_cast<UTF8*>(&out[0]);
  UTF8* dst = begin;
  *status = ConvertUTF32toUTF8(&src, cps.data() + cps.size(), &dst, begin + out.size(), UTF_STRICT);
  out.resize(static_cast<std::size_t>(dst - begin));
  return {0, static_cast<std::size_t>(src - cps.data()), out};
}

Outcome decode(const std::string& bytes, UtfConversionStatus* status) {
  std::vector<UTF32> out(bytes.size() + 1);
  const UTF8* const begin = reinterpret_cast<const UTF8*>(bytes.data());
  const UTF8* src = begin;
  UTF32* dst = out.data();
  *status = ConvertUTF8toUTF32(&src, begin + bytes.size(), &dst, out.data() + out.size(), UTF_STRICT);
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return {0, static_cast<std::size_t>(src - begin), asBytes(out)};
}

// Compares a decoding of bytes with iconv's. iconv's EILSEQ is an illegal
// sequence where it stopped; its EINVAL marks an incomplete tail, which it
// reports without checking the ranges of the tail's bytes, so the routine may
// find that tail truncated or illegal, but must stop at the same place.
void checkDecode(const std::string& bytes) {
  SCOPED_TRACE("bytes " + hex(bytes));
  UtfConversionStatus status;
  const Outcome ours = decode(bytes, &status);
  const Outcome ref = viaIconv(kUtf32, "UTF-8", bytes);
  EXPECT_EQ(ours.output, ref.output);
  switch (ref.error) {
    case 0:
      EXPECT_EQ(status, UTF_CONVERSION_OK);
      EXPECT_EQ(ours.stop, bytes.size());
      break;
    case EILSEQ:
      EXPECT_EQ(status, UTF_SOURCE_ILLEGAL);
      EXPECT_EQ(ours.stop, ref.stop);
      break;
    case EINVAL:
      EXPECT_TRUE(status == UTF_SOURCE_TRUNCATED || status == UTF_SOURCE_ILLEGAL) << status;
      EXPECT_EQ(ours.stop, ref.stop);
      break;
    default:
      ADD_FAILURE() << "iconv errno " << ref.error;
  }

  // The wide-string layer: the same text or nothing.
  const Outcome wide = viaIconv("WCHAR_T", "UTF-8", bytes);
  const std::wstring expected =
      ref.error == 0 ? std::wstring(reinterpret_cast<const wchar_t*>(wide.output.data()),
                                    wide.output.size() / sizeof(wchar_t))
                     : std::wstring();
  EXPECT_EQ(KX::convertToUtf16(bytes), expected);
}

TEST(UtfAgainstIconv, EncodesCodePoints) {
  if (!iconvAvailable()) GTEST_SKIP() << "iconv cannot convert " << kUtf32 << " here";
  Inputs inputs(kSeed);
  for (int round = 0; round < kRounds; ++round) {
    const auto cps = inputs.codePoints(round % 2 == 0);
    SCOPED_TRACE("round " + std::to_string(round));
    UtfConversionStatus status;
    const Outcome ours = encode(cps, &status);
    const Outcome ref = viaIconv("UTF-8", kUtf32, asBytes(cps));
    ASSERT_TRUE(ref.error == 0 || ref.error == EILSEQ) << ref.error;
    EXPECT_EQ(status, ref.error == 0 ? UTF_CONVERSION_OK : UTF_SOURCE_ILLEGAL);
    EXPECT_EQ(ours.stop * 4, ref.stop);
    EXPECT_EQ(ours.output, ref.output);

    const std::wstring wide(cps.begin(), cps.end());
    EXPECT_EQ(KX::convertToUtf8(wide), ref.error == 0 ? ref.output : std::string());
    if (ref.error == 0) checkDecode(ours.output);  // and back again
  }
}

TEST(UtfAgainstIconv, DecodesRandomBytes) {
  if (!iconvAvailable()) GTEST_SKIP() << "iconv cannot convert " << kUtf32 << " here";
  Inputs inputs(kSeed + 1);
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    checkDecode(inputs.randomBytes());
  }
}

TEST(UtfAgainstIconv, DecodesMutatedText) {
  if (!iconvAvailable()) GTEST_SKIP() << "iconv cannot convert " << kUtf32 << " here";
  Inputs inputs(kSeed + 2);
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    UtfConversionStatus status;
    const std::string valid = encode(inputs.codePoints(true), &status).output;
    ASSERT_EQ(status, UTF_CONVERSION_OK);
    checkDecode(inputs.mutate(valid));
  }
}

}  // namespace
