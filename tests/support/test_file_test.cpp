// The data-file reader: what it reports for records it cannot use, and that every failure in a
// record names its place and Name.
#include "test_file.h"

#include <gtest/gtest-spi.h>

#include "scratch_file.h"

namespace {

// Runs test on the records of a file with content, from the working directory.
void forEachIn(const std::string& content, const std::function<void(kxtest::Record&)>& test) {
  kxtest::scratchFile(content);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  kxtest::TestFile::forEach(std::string(cwd) + "/" + kxtest::scratchPath(), test);
}

void readKey(kxtest::Record& r) { r.text("Key"); }

}  // namespace

TEST(TestFile, ReportsWhatTheTestCannotUse) {
  // clang-format off
  const struct {
    const char* name; std::string content; const char* failure;
  } rows[] = {
      {"an attribute the test does not read", "Name = a\nKey = 00\nKye = 01\n", ":3: attribute Kye is not read by the test"},
      {"an attribute the test needs", "Name = a\nKye = 00\n", ":1: no attribute Key"},
      {"a record without Name", "Key = 00\n", ":1: a record starts with its Name"},
      {"a line without \" = \"", "Name = a\nKey: 00\n", ":2: not \"Attribute = value\""},
      {"an attribute twice", "Name = a\nKey = 00\nKey = 01\n", ":3: attribute Key given twice"},
      {"a continuation of nothing", "# c\n  00\n", ":2: a continuation without a value"},
      {"no records", "# only a comment\n", ": no records"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_NONFATAL_FAILURE(forEachIn(row.content, readKey), row.failure);
  }
  kxtest::scratchFile(std::nullopt);
}

// A failing check inside a record carries the record's line and Name; blanks between hex
// digits and continued values are joined.
TEST(TestFile, NamesTheRecordOfAFailure) {
  EXPECT_NONFATAL_FAILURE(
      forEachIn("# c\nName = first\nKey = 00\n\nName = second one\nKey = 01 02\n  03\n",
                [](kxtest::Record& r) { EXPECT_EQ(r.bytes("Key").size(), 1u); }),
      ":5: second one");
  forEachIn("Name = x\nKey = 0a 0B\n    ff\n", [](kxtest::Record& r) {
    EXPECT_EQ(r.name(), "x");
    EXPECT_EQ(r.bytes("Key"), (kxtest::Bytes{0x0a, 0x0b, 0xff}));
  });
  kxtest::scratchFile(std::nullopt);
}
