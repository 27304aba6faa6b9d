// The reader of every test-data file under tests/data/.
//
// A file is a list of records separated by blank lines. Each record is a block
// of "Attribute = value" lines and starts with its Name; "#" starts a comment
// line. A line that begins with white space continues the value above it, and
// the pieces are joined without a separator. Bytes are written in hex, and
// blanks between hex digits are ignored:
//
//   # FIPS-197 Appendix C.1
//   Name = AES-128
//   Key = 000102030405060708090a0b0c0d0e0f
//   Plaintext = 00112233445566778899aabbccddeeff
//
// While a record runs, every failure names the file, the record's line and its
// Name. An attribute the test asks for and the record lacks, an attribute the
// test never reads (a typo would otherwise skip a check silently), a malformed
// line and a file without records are failures of their own.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace kxtest {

using Bytes = std::vector<unsigned char>;

// The bytes that hex digits write, two digits a byte; blanks between are ignored.
inline Bytes fromHex(const std::string& hex) {
  std::string digits;
  for (char c : hex) {
    if (c == ' ') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c)))
      throw std::invalid_argument("not hex: " + hex);
    digits += c;
  }
  if (digits.size() % 2 != 0) throw std::invalid_argument("odd number of hex digits: " + hex);
  Bytes out;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    out.push_back(static_cast<unsigned char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return out;
}

class Record {
public:
  // The record's Name.
  const std::string& name() const { return name_; }

  bool has(const std::string& attribute) const { return values_.count(attribute) != 0; }

  // The value as written. Throws std::out_of_range when the record lacks it.
  const std::string& text(const std::string& attribute) {
    const auto found = values_.find(attribute);
    if (found == values_.end()) throw std::out_of_range("no attribute " + attribute);
    read_[attribute] = true;
    return found->second.value;
  }

  Bytes bytes(const std::string& attribute) { return fromHex(text(attribute)); }

  long number(const std::string& attribute) { return std::stol(text(attribute), nullptr, 0); }

private:
  friend class TestFile;
  struct Value {
    std::string value;
    int line;
  };
  std::string name_;
  int line_ = 0;
  std::map<std::string, Value> values_;
  std::map<std::string, bool> read_;
};

class TestFile {
public:
  // Runs test on every record of tests/data/<path> (or of path, when it is
  // absolute), each under a trace of its place and Name.
  static void forEach(const std::string& path, const std::function<void(Record&)>& test) {
    std::vector<Record> records;
    if (!parse(path, records)) return;
    if (records.empty()) ADD_FAILURE() << path << ": no records";
    for (Record& record : records) {
      const std::string where = path + ":" + std::to_string(record.line_);
      SCOPED_TRACE(where + ": " + record.name_);
      const bool fatalBefore = testing::Test::HasFatalFailure();
      try {
        test(record);
      } catch (const std::exception& e) {
        ADD_FAILURE() << where << ": " << e.what();
        continue;
      }
      // A failed ASSERT ended the record early: what it did not read is no news.
      if (!fatalBefore && testing::Test::HasFatalFailure()) continue;
      for (const auto& [attribute, value] : record.values_) {
        if (!record.read_[attribute]) {
          ADD_FAILURE() << path << ":" << value.line << ": attribute " << attribute
                        << " is not read by the test";
        }
      }
    }
  }

private:
  static bool parse(const std::string& path, std::vector<Record>& records) {
    std::ifstream in(path[0] == '/' ? path : KX_TEST_DATA_DIR "/" + path);
    if (!in) {
      ADD_FAILURE() << path << ": cannot open";
      return false;
    }
    std::string last;   // the attribute that an indented line continues
    bool open = false;  // a record is being read
    int number = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      const std::string where = path + ":" + std::to_string(number);
      if (line.empty()) {
        open = false;
        continue;
      }
      if (line[0] == '#') continue;
      if (line[0] == ' ' || line[0] == '\t') {
        const auto first = line.find_first_not_of(" \t");
        if (!open || last.empty()) return fail(where, "a continuation without a value above");
        records.back().values_[last].value += line.substr(first);
        continue;
      }
      const auto equals = line.find(" = ");
      const auto bare = line.size() >= 2 && line.compare(line.size() - 2, 2, " =") == 0;
      if (equals == std::string::npos && !bare) return fail(where, "not \"Attribute = value\"");
      last = line.substr(0, bare ? line.size() - 2 : equals);
      const std::string value = bare ? "" : line.substr(equals + 3);
      if (!open) {
        if (last != "Name") return fail(where, "a record starts with its Name");
        records.emplace_back();
        records.back().name_ = value;
        records.back().line_ = number;
        open = true;
        last.clear();
        continue;
      }
      if (!records.back().values_.emplace(last, Record::Value{value, number}).second) {
        return fail(where, "attribute " + last + " given twice");
      }
    }
    return true;
  }

  static bool fail(const std::string& where, const std::string& what) {
    ADD_FAILURE() << where << ": " << what;
    return false;
  }
};

}  // namespace kxtest
