// The scratch file that a test fills, in the working directory (the test program's own).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

namespace kxtest {

// Fills the running test's own scratch file with content and returns its path (CTest runs the
// tests of one program at the same time, in the same directory); without content removes it, so
// that the path names no file.
inline std::string scratchFile(const std::optional<std::string>& content) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  const std::string path = std::string("kx_") + test->test_suite_name() + "." + test->name();
  static_cast<void>(std::remove(path.c_str()));
  if (content) {
    std::ofstream(path, std::ios::binary) << *content;
  }
  return path;
}

}  // namespace kxtest
