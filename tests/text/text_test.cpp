// The tokenizer and the UTF conversions: the cases in tests/data/text/ and
// tests/data/utf/, random texts, and glibc's iconv as an oracle.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <random>
#include <tuple>

#include "KXAPI/KXStringConversion.h"
#include "KXAPI/KXStringTokenizer.h"
#include "KXPlatform/ConvertUTF.h"
#include "data_lines.h"

using KX::KXStringTokenizer;

TEST(Tokenizer, Cases) {
  forEachLine("text/tokenize.txt", [](std::string line) {
    std::replace(line.begin(), line.end(), '~', '\0');
    const auto f = split(line, '|');  // description, text, delimiters, tokens
    EXPECT_EQ(KXStringTokenizer::tokenize(f.at(1), f.at(2)),
              std::vector<std::string>(f.begin() + 3, f.end())) << f[0];
  });
}

// m delimiters in the text: m + 1 tokens, none holds a delimiter, and joined
// with the delimiters they rebuild the text.
TEST(Tokenizer, RandomTexts) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 5000; ++round) {
    std::string text(1 + rng() % 16, ' '), delimiters(rng() % 4, ' ');
    for (char& c : text) c = "ab ,;\0x"[rng() % 7];
    for (char& c : delimiters) c = "ab ,;\0x"[rng() % 7];
    const auto tokens = KXStringTokenizer::tokenize(text, delimiters);
    const auto isDelimiter = [&](char c) { return delimiters.find(c) != std::string::npos; };
    EXPECT_EQ(tokens.size(), 1 + std::count_if(text.begin(), text.end(), isDelimiter)) << text;
    std::string rebuilt;
    for (const std::string& token : tokens) {
      EXPECT_FALSE(std::any_of(token.begin(), token.end(), isDelimiter)) << token;
      rebuilt += token;
      if (rebuilt.size() < text.size()) rebuilt += text[rebuilt.size()];  // the delimiter after it
    }
    EXPECT_EQ(rebuilt, text);
  }
}

// What a conversion made of its input: its status, the bytes consumed and
// the bytes written, all in memory order.
using Outcome = std::tuple<int, std::size_t, std::string>;

// The hex numbers in a field, as T in memory order.
template <typename T>
std::string raw(const std::string& field) {
  std::istringstream in(field);
  const std::vector<T> units(std::istream_iterator<unsigned long>(in >> std::hex), {});
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(T));
}

// Runs a routine on the input with room for `room` units and sentinels behind
// them, which nothing past the moved target pointer may change.
template <typename From, typename To, typename Routine>
Outcome convert(Routine routine, const std::string& in, std::size_t room) {
  std::vector<From> source(in.size() / sizeof(From) + 1);
  std::memcpy(source.data(), in.data(), in.size());
  std::vector<To> target(room + 4, To(0xA5));
  const From* src = source.data();
  To* dst = target.data();
  const int status = routine(&src, src + source.size() - 1, &dst, dst + room, UTF_STRICT);
  EXPECT_EQ(std::count(dst, target.data() + target.size(), To(0xA5)),
            target.data() + target.size() - dst) << "written past the moved pointer";
  return {status, (src - source.data()) * sizeof(From),
          std::string(reinterpret_cast<const char*>(target.data()), reinterpret_cast<const char*>(dst))};
}

// A case table: source | room (* = the worst case) | result | consumed | written.
// Rows with room * also run through the public conversion, which yields the
// written text on success and an empty one otherwise.
template <typename From, typename To, typename Routine, typename Public>
void runTable(const std::string& file, Routine routine, Public conversion) {
  forEachLine(file, [&](const std::string& line) {
    const auto f = split(line, '|');
    const std::string in = raw<From>(f.at(0)), written = raw<To>(f.at(4));
    const bool worst = f[1].find('*') != std::string::npos;
    const int status = std::stoi(f[2]);
    const std::size_t room = worst ? in.size() * 4 / sizeof(From) / sizeof(To) : std::stoul(f[1]);
    const Outcome expected{status, std::stoul(f[3]) * sizeof(From), written};
    EXPECT_EQ((convert<From, To>(routine, in, room)), expected);
    if (worst) {
      EXPECT_EQ(conversion(in), status == UTF_CONVERSION_OK ? written : "") << "public";
    }
  });
}

TEST(Utf, Tables) {
  runTable<UTF8, UTF32>("utf/utf8_to_utf32.txt", ConvertUTF8toUTF32, [](const std::string& in) {
    const std::wstring out = KX::convertToUtf16(in);
    return std::string(reinterpret_cast<const char*>(out.data()), out.size() * sizeof(wchar_t));
  });
  runTable<UTF32, UTF8>("utf/utf32_to_utf8.txt", ConvertUTF32toUTF8, [](const std::string& in) {
    std::wstring wide(in.size() / sizeof(wchar_t), L'\0');
    std::memcpy(&wide[0], in.data(), in.size());
    return KX::convertToUtf8(wide);
  });
}

// iconv's outcome in the same terms; an incomplete tail (EINVAL) is truncated.
Outcome viaIconv(const char* to, const char* from, std::string in) {
  const iconv_t cd = iconv_open(to, from);
  std::string out(4 * in.size() + 4, '\0');
  char *inPtr = &in[0], *outPtr = &out[0];
  std::size_t inLeft = in.size(), outLeft = out.size();
  const bool failed = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
  const int status = !failed ? 0 : errno == EILSEQ ? UTF_SOURCE_ILLEGAL : UTF_SOURCE_TRUNCATED;
  iconv_close(cd);
  return {status, in.size() - inLeft, out.substr(0, out.size() - outLeft)};
}

// Random code points, near the edges of the length classes and ranges or
// anywhere, are encoded; the encoding, damaged, is decoded.
TEST(Utf, AgainstIconv) {
  const char* const utf32 = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-32LE" : "UTF-32BE";
  const iconv_t probe = iconv_open("UTF-8", utf32);
  if (probe == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "iconv cannot convert " << utf32;
  iconv_close(probe);
  const UTF32 edges[] = {0x80, 0x800, 0xD800, 0xE000, 0x10000, 0x110000};
  std::mt19937 rng(20261205);
  for (int round = 0; round < 20000; ++round) {
    std::vector<UTF32> cps(rng() % 8);
    for (UTF32& c : cps) c = rng() % 2 ? edges[rng() % 6] + rng() % 4 - 2 : rng() >> rng() % 32;
    const std::string text(reinterpret_cast<const char*>(cps.data()), cps.size() * 4);
    const Outcome encoded = convert<UTF32, UTF8>(ConvertUTF32toUTF8, text, text.size());
    EXPECT_EQ(encoded, viaIconv("UTF-8", utf32, text));

    std::string bytes = std::get<2>(encoded);  // valid UTF-8, then a byte changed, the end cut
    if (!bytes.empty()) bytes[rng() % bytes.size()] = static_cast<char>(0x80 + rng() % 0x80);
    if (rng() % 4 == 0) bytes.resize(rng() % (bytes.size() + 1));
    const Outcome decoded = convert<UTF8, UTF32>(ConvertUTF8toUTF32, bytes, bytes.size());
    Outcome expected = viaIconv(utf32, "UTF-8", bytes);
    // iconv does not check the ranges in an incomplete tail: the routine may find it illegal
    if (std::get<0>(expected) == UTF_SOURCE_TRUNCATED && std::get<0>(decoded) == 1) {
      std::get<0>(expected) = UTF_SOURCE_ILLEGAL;
    }
    EXPECT_EQ(decoded, expected);
  }
}
