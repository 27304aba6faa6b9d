// Case tables under tests/data/ and the scratch file that their runners fill.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kxtest {

using Case = std::vector<std::string>;  // the fields of one line of a table

// Undoes the escapes of a table field: \n \r \t \0 \s (a blank) and \\.
inline std::string unescape(const std::string& field) {
  const std::string names = "nrt0s\\", bytes("\n\r\t\0 \\", 6);
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    out += field[i] == '\\' ? bytes.at(names.find(field[++i])) : field[i];
  }
  return out;
}

// One case per line, fields separated by '|' with the blanks around them
// dropped; lines starting with '#' are comments.
inline std::vector<Case> readCases(const std::string& table) {
  std::ifstream in(KX_TEST_DATA_DIR "/" + table);
  std::vector<Case> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    cases.emplace_back();
    std::istringstream fields(line + "|");  // keeps an empty last field
    for (std::string field; std::getline(fields, field, '|');) {
      field.erase(field.find_last_not_of(' ') + 1);
      cases.back().push_back(unescape(field.erase(0, field.find_first_not_of(' '))));
    }
  }
  EXPECT_FALSE(cases.empty()) << table;
  return cases;
}

// Runs each case through api, which gives it back with its results in place
// of the expected ones.
template <typename Api>
void runCases(const std::string& table, Api api) {
  for (const Case& c : readCases(table)) EXPECT_EQ(api(c), c);
}

// In the working directory, which is the test program's own.
inline const std::string kScratch = "kx_scratch";

// Fills the scratch file with content and returns its path; for "MISSING"
// removes it instead.
inline std::string scratchFile(const std::string& content) {
  std::remove(kScratch.c_str());
  if (content != "MISSING") std::ofstream(kScratch, std::ios::binary) << content;
  return kScratch;
}

}  // namespace kxtest
