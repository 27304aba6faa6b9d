// The UTF routines and the string conversions against the case tables in
// tests/data/utf/.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "KXAPI/KXStringConversion.h"
#include "KXPlatform/ConvertUTF.h"

namespace {

struct Case {
  int line;
  std::vector<UTF32> source;  // bytes or code points
  bool roomEnough;            // room "*": as much as the worst case needs
  std::size_t room;
  UtfConversionStatus result;
  std::size_t consumed;
  std::vector<UTF32> written;
};

std::vector<UTF32> hexList(const std::string& field) {
  std::istringstream in(field);
  std::vector<UTF32> values;
  unsigned long v;
  while (in >> std::hex >> v) values.push_back(static_cast<UTF32>(v));
  return values;
}

std::vector<Case> readCases(const std::string& name) {
  std::ifstream in(std::string(KX_TEST_DATA_DIR) + "/utf/" + name);
  EXPECT_TRUE(in) << name;
  std::vector<Case> cases;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string s; std::getline(fields, s, '|');) f.push_back(s);
    if (!line.empty() && line.back() == '|') f.push_back("");  // nothing written
    if (f.size() != 5) {
      ADD_FAILURE() << name << ":" << number << ": expected 5 fields";
      continue;
    }
    Case c{number, hexList(f[0]), f[1].find('*') != std::string::npos, 0,
           UTF_CONVERSION_OK, std::stoul(f[3]), hexList(f[4])};
    if (!c.roomEnough) c.room = std::stoul(f[1]);
    const std::string r = f[2].substr(f[2].find_first_not_of(' '));
    if (r.rfind("ok", 0) == 0) c.result = UTF_CONVERSION_OK;
    else if (r.rfind("illegal", 0) == 0) c.result = UTF_SOURCE_ILLEGAL;
    else if (r.rfind("truncated", 0) == 0) c.result = UTF_SOURCE_TRUNCATED;
    else if (r.rfind("full", 0) == 0) c.result = UTF_TARGET_FULL;
    else ADD_FAILURE() << name << ":" << number << ": unknown result " << r;
    cases.push_back(c);
  }
  EXPECT_GT(cases.size(), 10u) << name;
  return cases;
}

// Runs one conversion into a target with sentinels behind its end and checks
// the result, both pointers and that nothing past the moved target pointer
// changed.
template <typename From, typename To, typename Routine>
void runCase(const Case& c, std::size_t worstRoom, Routine routine) {
  SCOPED_TRACE("line " + std::to_string(c.line));
  const std::vector<From> source(c.source.begin(), c.source.end());
  const std::size_t room = c.roomEnough ? worstRoom : c.room;
  const To sentinel = static_cast<To>(0xA5);
  std::vector<To> target(room + 4, sentinel);

  const From* src = source.data();
  To* dst = target.data();
  EXPECT_EQ(routine(&src, source.data() + source.size(), &dst, target.data() + room,
                    UTF_STRICT),
            c.result);
  EXPECT_EQ(static_cast<std::size_t>(src - source.data()), c.consumed);
  ASSERT_EQ(static_cast<std::size_t>(dst - target.data()), c.written.size());
  EXPECT_EQ(std::vector<UTF32>(target.data(), dst), c.written);
  for (std::size_t i = c.written.size(); i < target.size(); ++i) {
    EXPECT_EQ(target[i], sentinel) << "written past the moved pointer at " << i;
  }
}

TEST(UtfRoutines, Utf8ToUtf32Table) {
  for (const Case& c : readCases("utf8_to_utf32.txt")) {
    runCase<UTF8, UTF32>(c, c.source.size(), ConvertUTF8toUTF32);
    if (c.roomEnough) {
      const std::string bytes(c.source.begin(), c.source.end());
      const std::wstring expected =
          c.result == UTF_CONVERSION_OK ? std::wstring(c.written.begin(), c.written.end())
                                        : std::wstring();
      EXPECT_EQ(KX::convertToUtf16(bytes), expected) << "line " << c.line;
    }
  }
}

TEST(UtfRoutines, Utf32ToUtf8Table) {
  for (const Case& c : readCases("utf32_to_utf8.txt")) {
    runCase<UTF32, UTF8>(c, 4 * c.source.size() + 1, ConvertUTF32toUTF8);
    if (c.roomEnough) {
      const std::wstring wide(c.source.begin(), c.source.end());
      const std::string expected = c.result == UTF_CONVERSION_OK
                                       ? std::string(c.written.begin(), c.written.end())
                                       : std::string();
      EXPECT_EQ(KX::convertToUtf8(wide), expected) << "line " << c.line;
    }
  }
}

}  // namespace
