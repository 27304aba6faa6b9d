// The tokenizer and the UTF conversions: hand-made cases, and glibc's iconv as an oracle over
// random texts.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <iterator>
#include <random>
#include <sstream>
#include <tuple>

#include "KXAPI/KXStringConversion.h"
#include "KXAPI/KXStringTokenizer.h"
#include "KXPlatform/ConvertUTF.h"

using namespace std::string_literals;

TEST(Tokenizer, Cases) {
  // clang-format off
  const struct {
    const char* name; std::string text, delimiters; std::vector<std::string> tokens;
  } rows[] = {
      {"empty text yields no token", "", " ", {}},
      {"empty text, empty set", "", "", {}},
      {"empty set: the whole text", "a b", "", {"a b"}},
      {"no delimiter in the text", "abc", ",", {"abc"}},
      {"only a delimiter: two empty tokens", ",", ",", {"", ""}},
      {"adjacent delimiters: an empty token between", "a,,b", ",", {"a", "", "b"}},
      {"leading delimiter", ",a", ",", {"", "a"}},
      {"trailing delimiter", "a,", ",", {"a", ""}},
      {"either of a set", "a,b;c", ",;", {"a", "b", "c"}},
      {"set members in a row", "a,;b", ";,", {"a", "", "b"}},
      {"the set is no sequence", "a,;b,c", ",;,", {"a", "", "b", "c"}},
      {"nothing trimmed", " a, b ", ",", {" a", " b "}},
      {"zero bytes as text and delimiter", "a\0b\0"s, "\0"s, {"a", "b", ""}},
      {"two blanks in a version line", "Tue Mar  8 2011", " ", {"Tue", "Mar", "", "8", "2011"}},
  };
  // clang-format on
  for (const auto& row : rows) {
    EXPECT_EQ(KX::KXStringTokenizer::tokenize(row.text, row.delimiters), row.tokens) << row.name;
  }
}

// The tokenizer's laws over arbitrary texts and delimiter sets (m delimiters give m + 1 tokens,
// none holds a delimiter, joined they rebuild the text) are checked by fuzz/fuzz_tokenizer.cpp.

namespace {

// Texts are held as std::string (UTF-8 bytes) and std::wstring (UTF-32 code points), as the
// public conversions hold them.

// The hex numbers in text, as a text.
template <typename Text>
Text parse(const std::string& hex) {
  std::istringstream in(hex);
  const std::vector<unsigned long> values(std::istream_iterator<unsigned long>(in >> std::hex), {});
  return Text(values.begin(), values.end());
}

// What a conversion made of its input: its status, the units consumed, the text written.
template <typename Out>
using Outcome = std::tuple<int, std::size_t, Out>;

// Runs a routine with room for `room` units and sentinels behind them, which nothing past the
// moved target pointer may change.
template <typename Out, typename In, typename From, typename To>
Outcome<Out> convert(UtfConversionStatus (*routine)(const From**, const From*, To**, To*,
                                                    UtfConversionFlags),
                     const In& in, std::size_t room) {
  using Unit = typename Out::value_type;
  const Unit sentinel = static_cast<Unit>(0xA5);
  Out target(room + 4, sentinel);
  const From* const begin = reinterpret_cast<const From*>(in.data());
  const From* src = begin;
  To* dst = reinterpret_cast<To*>(&target[0]);
  const int status = routine(&src, begin + in.size(), &dst, dst + room, UTF_STRICT);
  const auto written = static_cast<std::size_t>(dst - reinterpret_cast<To*>(&target[0]));
  EXPECT_EQ(target.substr(written), Out(room + 4 - written, sentinel)) << "written past the end";
  target.resize(written);
  return {status, src - begin, target};
}

constexpr int kEnough = -1;  // room for the worst case: 4 units per source unit

// One conversion case: the source and what the routine makes of it in the room given. A case
// with room kEnough also runs through the public conversion, which gives the written text on
// success and an empty one otherwise.
struct UtfCase {
  const char* name;
  const char* source;  // hex units
  int room;
  UtfConversionStatus status;
  std::size_t consumed;
  const char* written;  // hex units
};

template <typename Out, typename In, typename Routine>
void runCases(const std::vector<UtfCase>& cases, Routine routine, Out (*conversion)(const In&)) {
  for (const UtfCase& c : cases) {
    SCOPED_TRACE(c.name);
    const In in = parse<In>(c.source);
    const Out written = parse<Out>(c.written);
    const std::size_t room =
        c.room == kEnough ? 4 * in.size() / sizeof(written[0]) : static_cast<std::size_t>(c.room);
    EXPECT_EQ(convert<Out>(routine, in, room), std::make_tuple(int{c.status}, c.consumed, written));
    if (c.room == kEnough) {
      EXPECT_EQ(conversion(in), c.status == UTF_CONVERSION_OK ? written : Out()) << "public";
    }
  }
}

}  // namespace

// The stop of an ill-formed sequence is its start.
TEST(Utf, Utf8ToUtf32) {
  // clang-format off
  const UtfCase rows[] = {
      {"empty", "", kEnough, UTF_CONVERSION_OK, 0, ""},
      {"ASCII", "41 42 43 44 45 46 47 48 49", kEnough, UTF_CONVERSION_OK, 9, "41 42 43 44 45 46 47 48 49"},
      {"zero byte", "41 00 42", kEnough, UTF_CONVERSION_OK, 3, "41 0 42"},
      {"two bytes, first and last", "C2 80 DF BF", kEnough, UTF_CONVERSION_OK, 4, "80 7FF"},
      {"three bytes around the surrogates", "E0 A0 80 ED 9F BF EE 80 80", kEnough, UTF_CONVERSION_OK, 9, "800 D7FF E000"},
      {"three bytes, last; euro sign", "EF BF BF E2 82 AC", kEnough, UTF_CONVERSION_OK, 6, "FFFF 20AC"},
      {"four bytes, first and last", "F0 90 80 80 F4 8F BF BF", kEnough, UTF_CONVERSION_OK, 8, "10000 10FFFF"},
      {"four bytes between ASCII", "41 F0 9F 98 80 42", kEnough, UTF_CONVERSION_OK, 6, "41 1F600 42"},
      {"ASCII run around a sequence", "41 42 43 E2 82 AC 44 45 46 47", kEnough, UTF_CONVERSION_OK, 10, "41 42 43 20AC 44 45 46 47"},
      {"overlong C0", "C0 80", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"overlong C1", "C1 BF", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"overlong E0 80", "E0 80 80", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"overlong E0 9F", "E0 9F BF", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"overlong F0 80", "F0 80 80 80", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"overlong F0 8F", "F0 8F BF BF", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"first surrogate", "ED A0 80", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"last surrogate", "ED BF BF", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"above U+10FFFF", "F4 90 80 80", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"lead F5", "F5 80 80 80", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"byte FE", "FE", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"byte FF", "FF", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"stray continuation 80", "80", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"stray continuation after ASCII", "41 80 42", kEnough, UTF_SOURCE_ILLEGAL, 1, "41"},
      {"stray continuation BF", "BF", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"two bytes, second missing", "C2 41", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"three bytes, second missing", "E2 41 82", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"three bytes, third missing", "E2 82 41", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"four bytes, fourth missing", "F0 9F 98 41", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"FF after an ASCII run", "41 42 43 44 45 46 47 48 FF 41", kEnough, UTF_SOURCE_ILLEGAL, 8, "41 42 43 44 45 46 47 48"},
      {"overlong after ASCII", "41 42 C0 80", kEnough, UTF_SOURCE_ILLEGAL, 2, "41 42"},
      {"ends inside two bytes", "C2", kEnough, UTF_SOURCE_TRUNCATED, 0, ""},
      {"ends inside three bytes", "E2 82", kEnough, UTF_SOURCE_TRUNCATED, 0, ""},
      {"ends inside four bytes", "F0 9F 98", kEnough, UTF_SOURCE_TRUNCATED, 0, ""},
      {"ends inside a sequence after ASCII", "41 E2 82", kEnough, UTF_SOURCE_TRUNCATED, 1, "41"},
      {"ill-formed prefix E0 80 is illegal", "E0 80", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"ill-formed prefix ED A0 is illegal", "ED A0", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"ill-formed prefix F4 90 is illegal", "F4 90", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"no room", "41", 0, UTF_TARGET_FULL, 0, ""},
      {"room for one of two", "41 42", 1, UTF_TARGET_FULL, 1, "41"},
      {"room for one, a sequence first", "C2 80 41", 1, UTF_TARGET_FULL, 2, "80"},
      {"room ends in an ASCII run", "41 42 43 44 45 46 47", 5, UTF_TARGET_FULL, 5, "41 42 43 44 45"},
      {"full before an illegal byte", "41 FF", 1, UTF_TARGET_FULL, 1, "41"},
  };
  // clang-format on
  runCases<std::wstring, std::string>({std::begin(rows), std::end(rows)}, ConvertUTF8toUTF32,
                                      KX::convertToUtf16);
}

// Surrogates and values above U+10FFFF stop at the offending element; a code point is written
// whole or not at all.
TEST(Utf, Utf32ToUtf8) {
  // clang-format off
  const UtfCase rows[] = {
      {"empty", "", kEnough, UTF_CONVERSION_OK, 0, ""},
      {"ASCII", "41 42 43 44 45 46 47", kEnough, UTF_CONVERSION_OK, 7, "41 42 43 44 45 46 47"},
      {"zero", "41 0 42", kEnough, UTF_CONVERSION_OK, 3, "41 00 42"},
      {"one and two bytes, edges", "7F 80 7FF", kEnough, UTF_CONVERSION_OK, 3, "7F C2 80 DF BF"},
      {"three bytes, edges", "800 D7FF E000 FFFF", kEnough, UTF_CONVERSION_OK, 4, "E0 A0 80 ED 9F BF EE 80 80 EF BF BF"},
      {"four bytes, edges", "10000 1F600 10FFFF", kEnough, UTF_CONVERSION_OK, 3, "F0 90 80 80 F0 9F 98 80 F4 8F BF BF"},
      {"euro sign between ASCII", "41 42 43 20AC 44 45", kEnough, UTF_CONVERSION_OK, 6, "41 42 43 E2 82 AC 44 45"},
      {"first surrogate", "D800", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"last surrogate", "DFFF", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"above U+10FFFF", "110000", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"sign bit", "80000000", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"all ones", "FFFFFFFF", kEnough, UTF_SOURCE_ILLEGAL, 0, ""},
      {"surrogate after ASCII", "41 42 43 44 45 DC00 46", kEnough, UTF_SOURCE_ILLEGAL, 5, "41 42 43 44 45"},
      {"illegal before full", "D800", 0, UTF_SOURCE_ILLEGAL, 0, ""},
      {"no room", "41", 0, UTF_TARGET_FULL, 0, ""},
      {"three bytes in two", "20AC", 2, UTF_TARGET_FULL, 0, ""},
      {"three bytes after one", "41 20AC", 3, UTF_TARGET_FULL, 1, "41"},
      {"four bytes in three", "10000", 3, UTF_TARGET_FULL, 0, ""},
      {"room ends in ASCII", "41 42 43 44 45", 4, UTF_TARGET_FULL, 4, "41 42 43 44"},
  };
  // clang-format on
  runCases<std::string, std::wstring>({std::begin(rows), std::end(rows)}, ConvertUTF32toUTF8,
                                      KX::convertToUtf8);
}

namespace {

// iconv's outcome in the same terms; an incomplete tail (EINVAL) counts as truncated.
template <typename Out, typename In>
Outcome<Out> viaIconv(const char* to, const char* from, In in) {
  const iconv_t cd = iconv_open(to, from);
  Out out(4 * in.size() + 4, 0);
  char *inPtr = reinterpret_cast<char*>(&in[0]), *outPtr = reinterpret_cast<char*>(&out[0]);
  std::size_t inLeft = in.size() * sizeof(in[0]), outLeft = out.size() * sizeof(out[0]);
  const bool failed = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
  const int status = !failed           ? UTF_CONVERSION_OK
                     : errno == EILSEQ ? UTF_SOURCE_ILLEGAL
                                       : UTF_SOURCE_TRUNCATED;
  iconv_close(cd);
  out.resize(out.size() - outLeft / sizeof(out[0]));
  return {status, in.size() - inLeft / sizeof(in[0]), out};
}

}  // namespace

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
    if (!bytes.empty()) bytes[rng() % bytes.size()] = static_cast<char>(0x80 + rng() % 0x80);
    if (rng() % 4 == 0) bytes.resize(rng() % (bytes.size() + 1));
    const auto decoded = convert<std::wstring>(ConvertUTF8toUTF32, bytes, bytes.size());
    auto expected = viaIconv<std::wstring>(utf32, "UTF-8", bytes);
    // iconv does not check the ranges in an incomplete tail: the routine may find it illegal
    int& status = std::get<0>(expected);
    if (std::get<0>(decoded) == UTF_SOURCE_ILLEGAL && status == UTF_SOURCE_TRUNCATED) {
      status = UTF_SOURCE_ILLEGAL;
    }
    EXPECT_EQ(decoded, expected);
  }
}
