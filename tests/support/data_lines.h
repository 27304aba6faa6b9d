// Reads the case and scenario files under tests/data/.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

// Calls visit(line) for each line of tests/data/<name> that is neither empty
// nor a "#" comment, with the file and line number in the failure messages.
template <typename Visit>
void forEachLine(const std::string& name, Visit visit) {
  std::ifstream in(KX_TEST_DATA_DIR "/" + name);
  ASSERT_TRUE(in) << name;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    SCOPED_TRACE(name + ":" + std::to_string(number));
    if (!line.empty() && line[0] != '#') visit(line);
  }
}

// The fields between the separators: n separators, n + 1 fields.
inline std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> fields;
  std::istringstream in(text + separator);
  for (std::string field; std::getline(in, field, separator);) fields.push_back(field);
  return fields;
}
