// The running kernel's build date, from the time stamp that ends the first
// line of "/proc/version": "... <month> <day> <time> <zone> <year>".
#include <exception>
#include <vector>

#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXStringTokenizer.h"
#include "system/system_internal.h"

namespace KX {

namespace {

// Positions counted from the end of the line (last token = 1).
constexpr std::size_t kYearFromEnd = 1;
constexpr std::size_t kDayFromEnd = 4;
constexpr std::size_t kMonthFromEnd = 5;

// Stores the fromEnd-th token of the line, counted from its end, in token.
// Returns false when the line has fewer tokens. The split is at every single
// blank, so two adjacent blanks put an empty token between them and shift
// the positions: that is deliberate and callers rely on it.
bool tokenFromEnd(const std::string& path, std::size_t fromEnd, std::string& token) {
  const std::vector<std::string> tokens = KXStringTokenizer::tokenize(getLineFromFile(path), " ");
  try {
    // Too few tokens wrap the unsigned index, and at() throws.
    token = tokens.at(tokens.size() - fromEnd);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

int monthNumber(const std::string& name) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i) {
    if (name == kMonths[i]) {
      return i + 1;
    }
  }
  return -1;
}

}  // namespace

namespace internal {

int buildDayFrom(const std::string& path) {
  std::string token;
  return tokenFromEnd(path, kDayFromEnd, token) ? toInt(token) : -1;
}

int buildMonthFrom(const std::string& path) {
  std::string token;
  return tokenFromEnd(path, kMonthFromEnd, token) ? monthNumber(token) : -1;
}

int buildYearFrom(const std::string& path) {
  std::string token;
  return tokenFromEnd(path, kYearFromEnd, token) ? toInt(token) : -1;
}

}  // namespace internal

int getOSBuildDay() { return internal::buildDayFrom(internal::kKernelVersionPath); }

int getOSBuildMonth() { return internal::buildMonthFrom(internal::kKernelVersionPath); }

int getOSBuildYear() { return internal::buildYearFrom(internal::kKernelVersionPath); }

}  // namespace KX
