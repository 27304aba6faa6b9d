// The kernel build date on any first line of the version file, against an
// independent reading of the rule: the line is split at every single blank
// (n blanks, n + 1 tokens; an empty line, none), the day is the 4th token
// from the end, the month the 5th (an exact English abbreviation), the year
// the last; a missing token gives -1.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "memory_file.h"
#include "reference_number.h"
#include "system/system_internal.h"

namespace {

std::vector<std::string> blankSeparated(const std::string& line) {
  std::vector<std::string> tokens;
  if (line.empty()) return tokens;
  tokens.emplace_back();
  for (char c : line) {
    if (c == ' ') {
      tokens.emplace_back();
    } else {
      tokens.back() += c;
    }
  }
  return tokens;
}

int monthOf(const std::string& name) {
  static const char* const kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i) {
    if (name == kNames[i]) return i + 1;
  }
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  const std::string& path = file.fill(data, size);
  const auto tokens =
      blankSeparated(firstLine(std::string(reinterpret_cast<const char*>(data), size)));
  const std::size_t n = tokens.size();

  const int day = n >= 4 ? referenceToInt(tokens[n - 4]) : -1;
  const int month = n >= 5 ? monthOf(tokens[n - 5]) : -1;
  const int year = n >= 1 ? referenceToInt(tokens[n - 1]) : -1;
  if (KX::internal::buildDayFrom(path) != day) std::abort();
  if (KX::internal::buildMonthFrom(path) != month) std::abort();
  if (KX::internal::buildYearFrom(path) != year) std::abort();
  return 0;
}
