// The tokenizer and the UTF conversions: the cases in tests/data/text/ and
// tests/data/utf/, and glibc's iconv as an oracle over random texts.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <random>
#include <tuple>

#include "KXAPI/KXStringConversion.h"
#include "KXAPI/KXStringTokenizer.h"
#include "KXPlatform/ConvertUTF.h"
#include "data_lines.h"

TEST(Tokenizer, Cases) {
  forEachLine("text/tokenize.txt", [](std::string line) {
    std::replace(line.begin(), line.end(), '~', '\0');
    const auto f = split(line, '|');  // description, text, delimiters, tokens
    EXPECT_EQ(KX::KXStringTokenizer::tokenize(f.at(1), f.at(2)),
              std::vector<std::string>(f.begin() + 3, f.end()))
        << f[0];
  });
}

// The tokenizer's laws over arbitrary texts and delimiter sets (m delimiters
// give m + 1 tokens, none holds a delimiter, joined they rebuild the text)
// are checked by fuzz/fuzz_tokenizer.cpp.

// Texts are held as std::string (UTF-8 bytes) and std::wstring (UTF-32 code
// points), as the public conversions hold them.

// The hex numbers in a field, as a text.
template <typename Text>
Text parse(const std::string& field) {
  std::istringstream in(field);
  const std::vector<unsigned long> values(std::istream_iterator<unsigned long>(in >> std::hex), {});
  return Text(values.begin(), values.end());
}

// What a conversion made of its input: its status, the units consumed, the text written.
template <typename Out>
using Outcome = std::tuple<int, std::size_t, Out>;

// Runs a routine with room for `room` units and sentinels behind them, which
// nothing past the moved target pointer may change.
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

// A case table: source | room (* = the worst case) | result | consumed | written.
// Rows with room * also run through the public conversion, which yields the
// written text on success and an empty one otherwise.
template <typename Out, typename In, typename Routine>
void runTable(const std::string& file, Routine routine, Out (*conversion)(const In&)) {
  forEachLine(file, [&](const std::string& line) {
    const auto f = split(line, '|');
    const In in = parse<In>(f.at(0));
    const Out written = parse<Out>(f.at(4));
    const int status = std::stoi(f.at(2));
    const bool worst = f[1].find('*') != std::string::npos;
    const std::size_t room = worst ? 4 * in.size() / sizeof(written[0]) : std::stoul(f[1]);
    EXPECT_EQ(convert<Out>(routine, in, room), std::make_tuple(status, std::stoul(f[3]), written));
    if (worst) {
      EXPECT_EQ(conversion(in), status == UTF_CONVERSION_OK ? written : Out()) << "public";
    }
  });
}

TEST(Utf, Tables) {
  runTable<std::wstring>("utf/utf8_to_utf32.txt", ConvertUTF8toUTF32, KX::convertToUtf16);
  runTable<std::string>("utf/utf32_to_utf8.txt", ConvertUTF32toUTF8, KX::convertToUtf8);
}

// iconv's outcome in the same terms; an incomplete tail (EINVAL) counts as truncated.
template <typename Out, typename In>
Outcome<Out> viaIconv(const char* to, const char* from, In in) {
  const iconv_t cd = iconv_open(to, from);
  Out out(4 * in.size() + 4, 0);
  char *inPtr = reinterpret_cast<char*>(&in[0]), *outPtr = reinterpret_cast<char*>(&out[0]);
  std::size_t inLeft = in.size() * sizeof(in[0]), outLeft = out.size() * sizeof(out[0]);
  const bool failed = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
  const int status = !failed ? 0 : errno == EILSEQ ? UTF_SOURCE_ILLEGAL : UTF_SOURCE_TRUNCATED;
  iconv_close(cd);
  out.resize(out.size() - outLeft / sizeof(out[0]));
  return {status, in.size() - inLeft / sizeof(in[0]), out};
}

// Random code points, near the edges of the length classes and ranges or
// anywhere, are encoded; the encoding, damaged, is decoded.
TEST(Utf, AgainstIconv) {
  const char* const utf32 = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-32LE" : "UTF-32BE";
  if (std::get<0>(viaIconv<std::string>("UTF-8", utf32, std::wstring(L"A"))) != 0) {
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
