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

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace kxtest {

using Bytes = std::vector<unsigned char>;

// The bytes that hex digits write, two digits a byte; blanks between are ignored.
inline Bytes fromHex(std::string hex) {
  hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
  if (hex.size() % 2 || hex.find_first_not_of("0123456789abcdefABCDEF") != hex.npos)
    throw std::invalid_argument("not hex: " + hex);
  Bytes out;
  for (std::size_t i = 0; i < hex.size(); i += 2)
    out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), 0, 16)));
  return out;
}

class Record {
public:
  const std::string& name() const { return name_; }
  bool has(const std::string& attribute) const { return values_.count(attribute) != 0; }
  // The value as written. Throws std::out_of_range when the record lacks it.
  const std::string& text(const std::string& attribute) {
    if (!has(attribute)) throw std::out_of_range("no attribute " + attribute);
    values_[attribute].read = true;
    return values_[attribute].text;
  }
  Bytes bytes(const std::string& attribute) { return fromHex(text(attribute)); }
  long number(const std::string& attribute) { return std::stol(text(attribute), nullptr, 0); }

private:
  friend class TestFile;
  struct Value {
    std::string text;
    int line = 0;
    bool read = false;
  };
  std::string name_;
  int line_ = 0;
  std::map<std::string, Value> values_;
};

class TestFile {
public:
  // Runs test on every record of tests/data/<path> (or of path, when it is
  // absolute), each under a trace of its place and Name.
  static void forEach(const std::string& path, const std::function<void(Record&)>& test) {
    std::vector<Record> records;
    std::ifstream in(path[0] == '/' ? path : KX_TEST_DATA_DIR "/" + path);
    std::string last, error = in ? "" : "cannot open";  // last: what an indented line continues
    bool open = false;                                  // a record is being read
    int number = 0;
    for (std::string line; error.empty() && std::getline(in, line);) {
      const auto equals = line.find(" =");
      const std::string key = line.substr(0, equals);
      const std::string value =
          equals == line.npos ? "" : line.substr(std::min(equals + 3, line.size()));
      ++number;
      if (line.empty() || line[0] == '#') {
        open = open && !line.empty();
      } else if (line[0] == ' ' || line[0] == '\t') {
        if (!open || last.empty())
          error = "a continuation without a value above";
        else
          records.back().values_[last].text += line.substr(line.find_first_not_of(" \t"));
      } else if (equals == line.npos || (line.size() > equals + 2 && line[equals + 2] != ' ')) {
        error = "not \"Attribute = value\"";
      } else if (!open && key != "Name") {
        error = "a record starts with its Name";
      } else if (!open) {
        records.emplace_back();
        records.back().name_ = value;
        records.back().line_ = number;
        open = true;
        last.clear();
      } else if (!records.back().values_.emplace(last = key, Record::Value{value, number}).second) {
        error = "attribute " + key + " given twice";
      }
    }
    if (!error.empty() || records.empty()) {
      ADD_FAILURE() << path << ":" << number << ": " << (error.empty() ? "no records" : error);
      return;
    }
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
      for (const auto& [attribute, value] : record.values_) {
        if (!value.read && (fatalBefore || !testing::Test::HasFatalFailure()))
          ADD_FAILURE() << path << ":" << value.line << ": attribute " << attribute
                        << " is not read by the test";
      }
    }
  }
};

}  // namespace kxtest
