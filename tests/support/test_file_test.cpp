// The data-file reader reports what a test cannot use, at its place in the file.
#include "test_file.h"

#include <gtest/gtest-spi.h>

#include "scratch_file.h"

TEST(TestFile, ReportsWhatTheTestCannotUse) {
  const std::pair<std::string, std::string> rows[] = {
      {"Name = a\nKey = 00\nKye = 01\n", ":3: attribute Kye is not read by the test"},
      {"Name = a\nKye = 00\n", ":1: no attribute Key"},
      {"Name = a\nKey: 00\n", ":2: not \"Attribute = value\""},
  };
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  for (const auto& [content, failure] : rows) {
    const std::string path = std::string(cwd) + "/" + kxtest::scratchFile(content);
    EXPECT_NONFATAL_FAILURE(
        kxtest::TestFile::forEach(path, [](kxtest::Record& r) { r.text("Key"); }), failure);
  }
  kxtest::scratchFile(std::nullopt);
}
