// Package version lookup: "MM-mm-BBBB" from the line of a version file that
// holds the marker Version Major=" .
#include <fstream>

#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStatus.h"
#include "KXPlatform/KXError.h"
#include "system/system_internal.h"

namespace KX {

namespace {

constexpr const char* kMarker = "Version Major=\"";

// Field offsets from the marker's first character, and their lengths.
constexpr std::size_t kMajorOffset = 15;
constexpr std::size_t kMajorLength = 2;
constexpr std::size_t kMinorOffset = 26;
constexpr std::size_t kMinorLength = 2;
constexpr std::size_t kBuildOffset = 40;
constexpr std::size_t kBuildLength = 4;

}  // namespace

// NOLINTNEXTLINE(performance-unnecessary-value-param): the ABI passes the string by value
std::string retrievePackageVersion(std::string path) {
  std::ifstream in(path, std::ios_base::in);
  if (!in.is_open()) {
    kxPrintError(KX_STATUS_OPEN_FAILED, "Error opening file " + path);
    return "NOTFOUND";
  }
  std::string line;
  for (;;) {
    internal::getLinePassingBadAlloc(in, line);
    // The state is tested before the search: a marker line that ends the
    // file without a line feed sets eofbit and is not used.
    if (in.eof() || in.fail() || in.bad()) {
      return "undefined";
    }
    const std::size_t p = line.find(kMarker);
    if (p == std::string::npos) {
      continue;
    }
    // substr throws std::out_of_range for a line that ends before a field
    // starts; it reaches the caller, and the stream closes on the way.
    std::string version = line.substr(p + kMajorOffset, kMajorLength);
    version += '-';
    version += line.substr(p + kMinorOffset, kMinorLength);
    version += '-';
    version += line.substr(p + kBuildOffset, kBuildLength);
    return version;
  }
}

}  // namespace KX
