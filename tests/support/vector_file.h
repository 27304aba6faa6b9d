#ifndef KX_TESTS_VECTOR_FILE_H
#define KX_TESTS_VECTOR_FILE_H

// Test-vector files under tests/data: records of "Name = value" lines,
// separated by blank lines; "#" starts a comment, an indented line continues
// the value before it, and hex values may contain spaces. A test must read
// every attribute (CheckAllRead), so a misspelt name cannot skip a check.

#include <cctype>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace kxtest {

using Bytes = std::vector<unsigned char>;

inline Bytes RandomBytes(std::mt19937& rng, std::size_t n) {
  std::uniform_int_distribution<int> byte(0, 255);
  Bytes out(n);
  for (auto& b : out) b = static_cast<unsigned char>(byte(rng));
  return out;
}

class VectorRecord {
 public:
  explicit VectorRecord(std::string where) : where_(std::move(where)) {}
  const std::string& Where() const { return where_; }
  bool Has(const std::string& name) const { return values_.count(name) != 0; }

  const std::string& Text(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) throw std::runtime_error(where_ + ": no " + name);
    read_.insert(name);
    return it->second;
  }

  Bytes Hex(const std::string& name) const {
    std::string digits;
    for (char c : Text(name)) {
      if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
    }
    if (digits.size() % 2 != 0) throw std::runtime_error(where_ + ": odd hex in " + name);
    Bytes out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
      out.push_back(static_cast<unsigned char>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
  }

  void CheckAllRead() const {
    for (const auto& kv : values_) {
      if (read_.count(kv.first) == 0) throw std::runtime_error(where_ + ": unused " + kv.first);
    }
  }

  std::string& operator[](const std::string& name) { return values_[name]; }

 private:
  std::string where_;
  std::map<std::string, std::string> values_;
  mutable std::set<std::string> read_;
};

inline std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Reads KX_TEST_DATA_DIR/relative; throws when it is missing, malformed or
// empty.
inline std::vector<VectorRecord> ReadVectors(const std::string& relative) {
  std::ifstream in(std::string(KX_TEST_DATA_DIR) + "/" + relative);
  std::vector<VectorRecord> records;
  bool open = false;
  std::string name, line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string t = Trim(line);
    const std::string where = relative + ":" + std::to_string(number);
    if (t.empty() || t[0] == '#') {
      open = open && !t.empty();
    } else if (std::isspace(static_cast<unsigned char>(line[0]))) {
      if (!open) throw std::runtime_error(where + ": stray continuation");
      records.back()[name] += " " + t;
    } else {
      const auto eq = t.find('=');
      if (eq == std::string::npos) throw std::runtime_error(where + ": expected Name = value");
      if (!open) records.emplace_back(where);
      open = true;
      name = Trim(t.substr(0, eq));
      if (records.back().Has(name)) throw std::runtime_error(where + ": duplicate " + name);
      records.back()[name] = Trim(t.substr(eq + 1));
    }
  }
  if (records.empty()) throw std::runtime_error(relative + ": no records");
  return records;
}

}  // namespace kxtest

#endif
