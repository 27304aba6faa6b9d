// The tokenizer and the UTF conversions: case tables in tests/data/text/, and glibc's iconv as
// an oracle over random texts. The tokenizer's laws over arbitrary texts and delimiter sets are
// checked by fuzz/fuzz_tokenizer.cpp.
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
#include "test_file.h"

namespace {

// Texts are held as std::string (UTF-8 bytes) and std::wstring (UTF-32 code points), as the
// public conversions hold them; parse makes one of the hex numbers in text.
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
  const auto sentinel = static_cast<typename Out::value_type>(0xA5);
  Out target(room + 4, sentinel);
  const From *const begin = reinterpret_cast<const From*>(in.data()), *src = begin;
  To* dst = reinterpret_cast<To*>(&target[0]);
  const int status = routine(&src, begin + in.size(), &dst, dst + room, UTF_STRICT);
  const auto written = static_cast<std::size_t>(dst - reinterpret_cast<To*>(&target[0]));
  EXPECT_EQ(target.substr(written), Out(room + 4 - written, sentinel)) << "written past the end";
  target.resize(written);
  return {status, src - begin, target};
}

// One case of a table (the attributes are described in the data files).
template <typename Out, typename In, typename Routine>
void runCase(kxtest::Record& r, Routine routine, Out (*conversion)(const In&)) {
  static const std::string names[] = {"UTF_CONVERSION_OK", "UTF_SOURCE_ILLEGAL",
                                      "UTF_SOURCE_TRUNCATED", "UTF_TARGET_FULL"};
  const In in = parse<In>(r.text("Source"));
  const Out written = parse<Out>(r.text("Written"));
  const bool ample = !r.has("Room");
  const auto [status, consumed, out] =
      convert<Out>(routine, in, ample ? 4 * in.size() : std::stoul(r.text("Room")));
  EXPECT_EQ(std::tie(names[status], consumed, out),
            std::make_tuple(r.text("Status"), std::size_t(r.number("Consumed")), written));
  if (ample) {
    EXPECT_EQ(conversion(in), status == UTF_CONVERSION_OK ? written : Out()) << "public";
  }
}

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

TEST(Tokenizer, Cases) {
  kxtest::TestFile::forEach("text/tokenizer.txt", [](kxtest::Record& r) {
    const auto text = [](const std::string& hex) { return parse<std::string>(hex); };
    std::vector<std::string> tokens;
    std::istringstream in(r.text("Tokens"));
    for (std::string hex; std::getline(in, hex, '/');) tokens.push_back(text(hex));
    EXPECT_EQ(KX::KXStringTokenizer::tokenize(text(r.text("Text")), text(r.text("Delimiters"))),
              tokens);
  });
}

TEST(Utf, Cases) {
  kxtest::TestFile::forEach("text/utf8_to_utf32.txt", [](kxtest::Record& r) {
    runCase<std::wstring, std::string>(r, ConvertUTF8toUTF32, KX::convertToUtf16);
  });
  kxtest::TestFile::forEach("text/utf32_to_utf8.txt", [](kxtest::Record& r) {
    runCase<std::string, std::wstring>(r, ConvertUTF32toUTF8, KX::convertToUtf8);
  });
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
    if (!bytes.empty()) bytes[rng() % bytes.size()] = static_cast<char>(0x80 + rng() % 0x80);
    if (rng() % 4 == 0) bytes.resize(rng() % (bytes.size() + 1));
    const auto decoded = convert<std::wstring>(ConvertUTF8toUTF32, bytes, bytes.size());
    auto expected = viaIconv<std::wstring>(utf32, "UTF-8", bytes);
    // iconv does not check the ranges in an incomplete tail: the routine may find it illegal
    if (std::get<0>(decoded) == UTF_SOURCE_ILLEGAL && std::get<0>(expected) == UTF_SOURCE_TRUNCATED)
      std::get<0>(expected) = UTF_SOURCE_ILLEGAL;
    EXPECT_EQ(decoded, expected);
  }
}
