// The scratch file that a test fills, in the working directory (the test program's own).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

namespace kxtest {

// The running test's own scratch file: CTest runs the tests of one program at the same time,
// in the same directory.
inline std::string scratchPath() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  return test ? std::string("kx_") + test->test_suite_name() + "." + test->name() : "kx_scratch";
}

// Fills the scratch file with content and returns its path; without content removes it, so
// that the path names no file.
inline std::string scratchFile(const std::optional<std::string>& content) {
  const std::string path = scratchPath();
  static_cast<void>(std::remove(path.c_str()));
  if (content) {
    std::ofstream(path, std::ios::binary) << *content;
  }
  return path;
}

}  // namespace kxtest
