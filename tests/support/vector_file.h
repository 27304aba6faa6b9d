#pragma once
// Case files under tests/data: a case is a line of fields separated by white space, continued
// by the indented lines below it; "-" stands for an empty field, "#" starts a comment line.

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;
using Case = std::vector<std::string>;

// Throws when the file is missing or holds no case, so that no runner passes on nothing.
inline std::vector<Case> ReadCases(const std::string& file) {
  std::ifstream in(std::string(KX_TEST_DATA_DIR) + "/" + file);
  std::vector<Case> cases;
  for (std::string line, w; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] != ' ') cases.emplace_back();
    for (std::istringstream words(line); words >> w;) cases.back().push_back(w == "-" ? "" : w);
  }
  if (cases.empty()) throw std::runtime_error(file + ": no cases");
  return cases;
}

// The bytes that fields [from, to) of a case write in hex, one after the other.
inline Bytes Hex(const Case& c, std::size_t from, std::size_t to) {
  std::string digits;
  for (std::size_t i = from; i < to; ++i) digits += c.at(i);
  Bytes out;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    out.push_back(static_cast<unsigned char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}
