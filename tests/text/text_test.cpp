// The UTF conversions on hand-made rows; fuzz/fuzz_utf_roundtrip.cpp checks their round trip
// over arbitrary texts. The tokenizer splits the system tests' build dates, and
// fuzz/fuzz_tokenizer.cpp checks its laws.
#include <gtest/gtest.h>

#include <tuple>

#include "KXAPI/KXStringConversion.h"
#include "KXPlatform/ConvertUTF.h"

namespace {

// What a routine made of its input with room for `room` units: its status, the units
// consumed, the text written.
template <typename From, typename To>
using Routine = UtfConversionStatus (*)(const From**, const From*, To**, To*, UtfConversionFlags);

template <typename Out, typename In, typename From, typename To>
std::tuple<int, std::size_t, Out> convert(Routine<From, To> routine, const In& in,
                                          std::size_t room) {
  Out target(room, 0);
  const auto* const begin = reinterpret_cast<const From*>(in.data());
  const From* src = begin;
  To* dst = reinterpret_cast<To*>(&target[0]);
  const int status = routine(&src, begin + in.size(), &dst, dst + room, UTF_STRICT);
  target.resize(static_cast<std::size_t>(dst - reinterpret_cast<To*>(&target[0])));
  return {status, src - begin, target};
}

}  // namespace

// UTF-8 to UTF-32: each length class at its edges, the lead bytes and second bytes just
// outside the ranges, a cut sequence, and a target that fills up.
TEST(Utf, ToUtf32) {
  const std::tuple<std::string, std::size_t, int, std::size_t, std::wstring> rows[] = {
      {"a\u007F\u0080\u07FF\u0800\uFFFF", 20, UTF_CONVERSION_OK, 12,
       L"a\u007F\u0080\u07FF\u0800\uFFFF"},
      {"\U00010000\U0010FFFF\uD7FF\uE000𝄞", 20, UTF_CONVERSION_OK, 18,
       L"\U00010000\U0010FFFF\uD7FF\uE000𝄞"},
      {"a\xC1\xBF", 4, UTF_SOURCE_ILLEGAL, 1, L"a"},
      {"\x80zcd", 4, UTF_SOURCE_ILLEGAL, 0, L""},
      {"a\xF5\x80\x80\x80", 4, UTF_SOURCE_ILLEGAL, 1, L"a"},
      {"\xE0\x9F\xBF", 4, UTF_SOURCE_ILLEGAL, 0, L""},
      {"\xED\xA0\x80", 4, UTF_SOURCE_ILLEGAL, 0, L""},
      {"\xF0\x8F\xBF\xBF", 4, UTF_SOURCE_ILLEGAL, 0, L""},
      {"\xF4\x90\x80\x80", 4, UTF_SOURCE_ILLEGAL, 0, L""},
      {"\xC3\xC0", 4, UTF_SOURCE_ILLEGAL, 0, L""},
      {"ab\xF0\x90\x80", 4, UTF_SOURCE_TRUNCATED, 2, L"ab"},
      {"abcdé", 8, UTF_CONVERSION_OK, 6, L"abcdé"},
      {"abcde", 3, UTF_TARGET_FULL, 3, L"abc"},
  };
  for (const auto& [in, room, status, consumed, out] : rows) {
    EXPECT_EQ(convert<std::wstring>(ConvertUTF8toUTF32, in, room), std::tie(status, consumed, out))
        << in;
    if (status != UTF_TARGET_FULL) {  // the public conversion has room for everything
      EXPECT_EQ(KX::convertToUtf16(in), status == UTF_CONVERSION_OK ? out : L"") << in;
    }
  }
}

// UTF-32 to UTF-8: each length class at its edges, surrogates and the values above the last
// code point, and a target that fills up.
TEST(Utf, ToUtf8) {
  const std::tuple<std::wstring, std::size_t, int, std::size_t, std::string> rows[] = {
      {L"\u007Fbc\u0080d\u07FF\u0800\uFFFF", 20, UTF_CONVERSION_OK, 8,
       "\u007Fbc\u0080d\u07FF\u0800\uFFFF"},
      {L"\U00010000\U0010FFFF\uD7FF\uE000𝄞", 20, UTF_CONVERSION_OK, 5,
       "\U00010000\U0010FFFF\uD7FF\uE000𝄞"},
      {{L'a', static_cast<wchar_t>(0xD800)}, 8, UTF_SOURCE_ILLEGAL, 1, "a"},
      {{static_cast<wchar_t>(0xDFFF)}, 8, UTF_SOURCE_ILLEGAL, 0, ""},
      {{static_cast<wchar_t>(0x110000)}, 8, UTF_SOURCE_ILLEGAL, 0, ""},
      {L"abcdé", 8, UTF_CONVERSION_OK, 5, "abcdé"},
      {L"ébcd", 8, UTF_CONVERSION_OK, 4, "ébcd"},
      {L"abcde", 3, UTF_TARGET_FULL, 3, "abc"},
  };
  for (const auto& [in, room, status, consumed, out] : rows) {
    EXPECT_EQ(convert<std::string>(ConvertUTF32toUTF8, in, room), std::tie(status, consumed, out));
    if (status != UTF_TARGET_FULL) {
      EXPECT_EQ(KX::convertToUtf8(in), status == UTF_CONVERSION_OK ? out : "");
    }
  }
}
