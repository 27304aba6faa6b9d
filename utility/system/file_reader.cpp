// Small-file readers: one value from the first line of a device or kernel
// attribute file, read anew on every call.
#include <climits>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <new>

#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXStatus.h"
#include "KXPlatform/KXError.h"
#include "system/system_internal.h"

namespace KX {

namespace internal {

int toInt(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 0);
  if (value > INT_MAX) {
    return INT_MAX;
  }
  if (value < INT_MIN) {
    return INT_MIN;
  }
  return static_cast<int>(value);
}

void getLinePassingBadAlloc(std::istream& in, std::string& line) {
  in.exceptions(std::ios_base::badbit);
  try {
    std::getline(in, line);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    // A read error: badbit is set, as it would be without the mask.
  }
  in.exceptions(std::ios_base::goodbit);
}

}  // namespace internal

namespace {

// Reads the first line of path into line. Reports a failed open through the
// platform's error function and returns its status.
int readFirstLine(const std::string& path, std::string& line) {
  std::ifstream in(path, std::ios_base::in);
  if (!in.is_open()) {
    kxPrintError(KX_STATUS_OPEN_FAILED, "Error opening device file " + path);
    return KX_STATUS_OPEN_FAILED;
  }
  // An empty or unreadable file leaves line empty; that still counts as read.
  internal::getLinePassingBadAlloc(in, line);
  return KX_STATUS_OK;
}

// Reads the first line of path and stores convert(line) in *value; a null
// value returns 20 before anything is read, and a failed open leaves it as
// it was.
template <typename T, typename Convert>
int readFirstLineInto(const std::string& path, T* value, Convert convert) {
  if (value == nullptr) {
    return KX_STATUS_INVALID_ARGUMENT;
  }
  std::string line;
  const int status = readFirstLine(path, line);
  if (status == KX_STATUS_OK) {
    *value = convert(line);
  }
  return status;
}

}  // namespace

// NOLINTNEXTLINE(performance-unnecessary-value-param): the ABI passes the string by value
int readStringFromFile(std::string path, std::string* value) {
  return readFirstLineInto(path, value, [](const std::string& line) { return line; });
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the ABI passes the string by value
int readIntegerFromFile(std::string path, int* value) {
  return readFirstLineInto(path, value, internal::toInt);
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the ABI passes the string by value
std::string getLineFromFile(std::string path) {
  std::string line;
  std::ifstream in(path, std::ios_base::in);
  if (in.is_open()) {
    try {
      std::getline(in, line);
    } catch (const std::exception&) {
      // Silent by contract: the caller gets whatever the read left.
    }
  }
  return line;
}

}  // namespace KX
