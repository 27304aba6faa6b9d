// Reads tests/data/target/layout.txt: the expected size or offset of each
// quantity in the data model of this build.
#ifndef KX_TESTS_TARGET_LAYOUT_TABLE_H
#define KX_TESTS_TARGET_LAYOUT_TABLE_H

#include <cstddef>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace kxtest {

// The column of layout.txt that applies to this build.
inline const char* dataModel() {
  return sizeof(unsigned long) == 4 ? "ilp32" : "lp64";
}

// loadLayout maps each quantity to its expected value for dataModel().
// A malformed line throws, so that a typo cannot drop a row silently.
inline std::map<std::string, std::size_t> loadLayout() {
  const std::string path = std::string(KX_TEST_DATA_DIR) + "/target/layout.txt";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  const bool ilp32 = sizeof(unsigned long) == 4;
  std::map<std::string, std::size_t> table;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    std::size_t v32 = 0, v64 = 0;
    std::string rest;
    if (!(fields >> name >> v32 >> v64) || (fields >> rest))
      throw std::runtime_error("malformed line in " + path + ": " + line);
    if (!table.emplace(name, ilp32 ? v32 : v64).second)
      throw std::runtime_error("duplicate quantity in " + path + ": " + name);
  }
  return table;
}

}  // namespace kxtest

#endif
