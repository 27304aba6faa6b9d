// Case tables under tests/data/ and the scratch file that the runners fill.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace kxtest {

using Case = std::vector<std::string>;  // the fields of one line of a table

// Undoes the escapes of a table field: \n \r \t \0 \s (a blank) and \\.
inline std::string unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\') {
      out += std::string("\n\r\t\0 \\", 6).at(std::string("nrt0s\\").find(field[++i]));
    } else {
      out += field[i];
    }
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
      const std::size_t first = field.find_first_not_of(' ');
      const std::size_t end = field.find_last_not_of(' ') + 1;
      cases.back().push_back(first == field.npos ? "" : unescape(field.substr(first, end - first)));
    }
  }
  if (cases.empty()) throw std::runtime_error("no cases in " + table);
  return cases;
}

inline const std::string kScratch = "/tmp/kx_scratch_" + std::to_string(getpid());

// Fills this process's scratch file with content and returns its path; for
// "MISSING" removes the file instead.
inline std::string scratchFile(const std::string& content) {
  std::remove(kScratch.c_str());
  if (content != "MISSING") std::ofstream(kScratch, std::ios::binary) << content;
  return kScratch;
}

// Runs each case through api, which gives the case back with its results
// in place of the expected ones.
template <typename Api>
void runCases(const std::string& table, Api api) {
  for (const auto& c : readCases(table)) EXPECT_EQ(api(c), c);
}

}  // namespace kxtest
