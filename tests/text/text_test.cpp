// The tokenizer and the UTF conversions: hand-made rows, and glibc's iconv as an oracle over
// random texts. The tokenizer's laws over arbitrary texts are checked by fuzz/fuzz_tokenizer.cpp.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <random>
#include <tuple>

#include "KXAPI/KXStringConversion.h"
#include "KXAPI/KXStringTokenizer.h"
#include "KXPlatform/ConvertUTF.h"

using Tokens = std::vector<std::string>;

TEST(Tokenizer, Rows) {
  const std::tuple<const char*, const char*, Tokens> rows[] = {
      {"", ",", {}},
      {"a", "", {"a"}},
      {"a,,b", ",", {"a", "", "b"}},
      {",a b,", ",", {"", "a b", ""}},
      {"a;b,c", ",;", {"a", "b", "c"}},
  };
  for (const auto& [text, delimiters, tokens] : rows) {
    EXPECT_EQ(KX::KXStringTokenizer::tokenize(text, delimiters), tokens) << text;
  }
}

namespace {

// What a conversion made of its input: its status, the units consumed, the text written.
template <typename Out>
using Outcome = std::tuple<int, std::size_t, Out>;

// Runs a routine with room for `room` units and sentinels behind them, which nothing past the
// moved target pointer may change.
template <typename Out, typename In, typename From, typename To>
Outcome<Out> convert(UtfConversionStatus (*routine)(const From**, const From*, To**, To*,
                                                    UtfConversionFlags),
                     const In& in, std::size_t room) {
  const auto sentinel = static_cast<typename Out::value_type>(0xA5);
  Out target(room + 4, sentinel);
  const auto* const begin = reinterpret_cast<const From*>(in.data());
  const From* src = begin;
  To* dst = reinterpret_cast<To*>(&target[0]);
  const int status = routine(&src, begin + in.size(), &dst, dst + room, UTF_STRICT);
  const auto written = static_cast<std::size_t>(dst - reinterpret_cast<To*>(&target[0]));
  EXPECT_EQ(target.substr(written), Out(room + 4 - written, sentinel)) << "written past the end";
  target.resize(written);
  return {status, src - begin, target};
}

// iconv's outcome in the same terms; an incomplete tail (EINVAL) counts as truncated.
template <typename Out, typename In>
Outcome<Out> viaIconv(const char* to, const char* from, In in) {
  iconv_t cd = iconv_open(to, from);
  Out out(4 * in.size() + 4, 0);
  char* inPtr = reinterpret_cast<char*>(&in[0]);
  char* outPtr = reinterpret_cast<char*>(&out[0]);
  std::size_t inLeft = in.size() * sizeof(in[0]);
  std::size_t outLeft = out.size() * sizeof(out[0]);
  const bool failed = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
  const int status = !failed           ? UTF_CONVERSION_OK
                     : errno == EILSEQ ? UTF_SOURCE_ILLEGAL
                                       : UTF_SOURCE_TRUNCATED;
  iconv_close(cd);
  out.resize(out.size() - outLeft / sizeof(out[0]));
  return {status, in.size() - inLeft / sizeof(in[0]), out};
}

}  // namespace

// The public conversions, and the routines stopped by a full target.
TEST(Utf, Rows) {
  EXPECT_EQ(KX::convertToUtf16("grüße €𝄞"), L"grüße €𝄞");
  EXPECT_EQ(KX::convertToUtf8(L"grüße €𝄞"), "grüße €𝄞");
  EXPECT_EQ(KX::convertToUtf16("ab\xC0\xAF"), L"");
  EXPECT_EQ(KX::convertToUtf8(std::wstring{L'a', static_cast<wchar_t>(0xD800)}), "");
  const std::tuple<std::string, std::size_t, Outcome<std::wstring>> toUtf32[] = {
      {"abcde", 4, {UTF_TARGET_FULL, 4, L"abcd"}},
      {"aé", 1, {UTF_TARGET_FULL, 1, L"a"}},
      {"é", 1, {UTF_CONVERSION_OK, 2, L"é"}},
  };
  for (const auto& [in, room, outcome] : toUtf32) {
    EXPECT_EQ(convert<std::wstring>(ConvertUTF8toUTF32, in, room), outcome) << in;
  }
  const std::tuple<std::wstring, std::size_t, Outcome<std::string>> toUtf8[] = {
      {L"abcde", 4, {UTF_TARGET_FULL, 4, "abcd"}},
      {L"a€", 3, {UTF_TARGET_FULL, 1, "a"}},
      {L"€", 3, {UTF_CONVERSION_OK, 1, "€"}},
  };
  for (const auto& [in, room, outcome] : toUtf8) {
    EXPECT_EQ(convert<std::string>(ConvertUTF32toUTF8, in, room), outcome);
  }
}

// Random code points, near the edges of the length classes and ranges or anywhere, are encoded;
// the encoding, damaged, is decoded.
TEST(Utf, AgainstIconv) {
  const char* const utf32 = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-32LE" : "UTF-32BE";
  if (std::get<0>(viaIconv<std::string>("UTF-8", utf32, std::wstring(L"A"))) != UTF_CONVERSION_OK) {
    GTEST_SKIP() << "iconv cannot convert " << utf32 << " here";
  }
  const UTF32 edges[] = {0x80, 0x800, 0xD800, 0xE000, 0x10000, 0x110000};
  std::mt19937 rng(20261205);
  for (int round = 0; round < 20000; ++round) {
    std::wstring text(rng() % 8, L'\0');
    for (wchar_t& c : text) {
      c = static_cast<wchar_t>(rng() % 2 ? edges[rng() % 6] + rng() % 4 - 2 : rng() >> rng() % 32);
    }
    const auto encoded = convert<std::string>(ConvertUTF32toUTF8, text, 4 * text.size());
    EXPECT_EQ(encoded, viaIconv<std::string>("UTF-8", utf32, text));

    std::string bytes = std::get<2>(encoded);  // valid UTF-8, then a byte changed, the end cut
    if (!bytes.empty()) {
      bytes[rng() % bytes.size()] = static_cast<char>(0x80 + rng() % 0x80);
    }
    if (rng() % 4 == 0) {
      bytes.resize(rng() % (bytes.size() + 1));
    }
    const auto decoded = convert<std::wstring>(ConvertUTF8toUTF32, bytes, bytes.size());
    auto expected = viaIconv<std::wstring>(utf32, "UTF-8", bytes);
    // iconv does not check the ranges in an incomplete tail: the routine may find it illegal
    if (std::get<0>(decoded) == UTF_SOURCE_ILLEGAL &&
        std::get<0>(expected) == UTF_SOURCE_TRUNCATED) {
      std::get<0>(expected) = UTF_SOURCE_ILLEGAL;
    }
    EXPECT_EQ(decoded, expected);
  }
}
