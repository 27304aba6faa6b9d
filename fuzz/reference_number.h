// strtol(text, nullptr, 0) clamped to the int range, written out from the C
// standard's description of strtol, as an oracle that shares no code with the
// C library or with the library under test.
#ifndef KX_FUZZ_REFERENCE_NUMBER_H
#define KX_FUZZ_REFERENCE_NUMBER_H

#include <climits>
#include <cstring>
#include <string>

inline int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

inline int referenceToInt(const std::string& text) {
  const std::string s = text.substr(0, text.find('\0'));  // strtol sees a C string
  std::size_t i = s.find_first_not_of(" \t\n\v\f\r");     // white space of the "C" locale
  if (i == std::string::npos) return 0;
  const bool negative = s[i] == '-';
  if (s[i] == '-' || s[i] == '+') ++i;
  int base = 10;
  if (i < s.size() && s[i] == '0') {
    base = 8;  // the 0 is a digit of its own
    if (i + 2 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X') && digitValue(s[i + 2]) < 16) {
      base = 16;
      i += 2;
    }
  }
  long long magnitude = 0;  // stops growing past the int range
  for (; i < s.size() && digitValue(s[i]) < base; ++i) {
    magnitude = magnitude * base + digitValue(s[i]);
    if (magnitude > 1LL << 32) magnitude = 1LL << 32;
  }
  const long long value = negative ? -magnitude : magnitude;
  return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

// The first line of a file's content as std::getline reads it.
inline std::string firstLine(const std::string& content) {
  return content.substr(0, content.find('\n'));
}

#endif
