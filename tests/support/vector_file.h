#ifndef KX_TESTS_VECTOR_FILE_H
#define KX_TESTS_VECTOR_FILE_H

// Reader for test-vector files under tests/data:
//
//   # comment
//   Key = 000102...
//   Plaintext = 0011...
//       2233...          (an indented line continues the value)
//
// Records are separated by blank lines. Hex values may contain spaces. A
// test must read every attribute of a record (CheckAllRead), so that a typo
// in a name cannot silently skip a check.

#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace kxtest {

using Bytes = std::vector<unsigned char>;

class VectorRecord {
 public:
  VectorRecord(std::string file, int line) : file_(std::move(file)), line_(line) {}

  // Where the record starts, for failure messages.
  std::string Where() const { return file_ + ":" + std::to_string(line_); }

  bool Has(const std::string& name) const { return values_.count(name) != 0; }

  const std::string& Text(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) {
      throw std::runtime_error(Where() + ": no attribute " + name);
    }
    read_.insert(name);
    return it->second;
  }

  Bytes Hex(const std::string& name) const {
    std::string digits;
    for (char c : Text(name)) {
      if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
    }
    if (digits.size() % 2 != 0) {
      throw std::runtime_error(Where() + ": odd hex length in " + name);
    }
    Bytes out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
      out.push_back(static_cast<unsigned char>(
          std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
  }

  // Throws when an attribute was never read.
  void CheckAllRead() const {
    for (const auto& kv : values_) {
      if (read_.count(kv.first) == 0) {
        throw std::runtime_error(Where() + ": attribute " + kv.first +
                                 " was not used");
      }
    }
  }

  void Set(const std::string& name, const std::string& value) {
    if (!values_.emplace(name, value).second) {
      throw std::runtime_error(Where() + ": duplicate attribute " + name);
    }
  }
  void Append(const std::string& name, const std::string& more) {
    values_[name] += " " + more;
  }

 private:
  std::string file_;
  int line_;
  std::map<std::string, std::string> values_;
  mutable std::set<std::string> read_;
};

inline std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// Reads KX_TEST_DATA_DIR/relative. Throws when the file is missing or empty.
inline std::vector<VectorRecord> ReadVectors(const std::string& relative) {
  const std::string path = std::string(KX_TEST_DATA_DIR) + "/" + relative;
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<VectorRecord> records;
  bool open = false;
  std::string last;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string t = Trim(line);
    if (!t.empty() && t[0] == '#') continue;
    if (t.empty()) {
      open = false;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(line[0]))) {
      if (!open) throw std::runtime_error(path + ":" + std::to_string(number) + ": stray continuation");
      records.back().Append(last, t);
      continue;
    }
    const auto eq = t.find('=');
    if (eq == std::string::npos) {
      throw std::runtime_error(path + ":" + std::to_string(number) + ": expected Name = value");
    }
    if (!open) {
      records.emplace_back(relative, number);
      open = true;
    }
    last = Trim(t.substr(0, eq));
    records.back().Set(last, Trim(t.substr(eq + 1)));
  }
  if (records.empty()) throw std::runtime_error(path + ": no records");
  return records;
}

}  // namespace kxtest

#endif
