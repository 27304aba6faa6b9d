// Published test vectors: tests/data/published/<name> holds one vector a line, its fields
// separated by blanks; "#" lines name the source.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace kxtest {

using Bytes = std::vector<unsigned char>;

// The bytes that hex digits write, two digits a byte.
inline Bytes fromHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

inline std::vector<std::vector<std::string>> published(const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(KX_TEST_DATA_DIR "/published/" + name);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<std::string> row{std::istream_iterator<std::string>(words), {}};
    if (!row.empty() && row[0][0] != '#') {
      rows.push_back(row);
    }
  }
  EXPECT_FALSE(rows.empty()) << name << " has no vectors";
  return rows;
}

}  // namespace kxtest
