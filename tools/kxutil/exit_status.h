#ifndef KXUTIL_EXIT_STATUS_H
#define KXUTIL_EXIT_STATUS_H

#include <string>

#include "KXAPI/KXStatus.h"

namespace kxutil {

// Exit statuses of kxutil's own, for results that the library gives as -1 or
// a fixed text rather than a status code, and for what only kxutil checks.
// They stay clear of the library's codes (0, 1, 16, 20, 23) and of CLI11's
// usage errors (100 and above).
enum ExitStatus : int {
  kExitNoValue = 2,     // the query gave no value: -1, or no version line
  kExitMalformed = 3,   // the version line ends before its fields
  kExitBadBase64 = 4,   // decrypt: the input is not strict Base64
  kExitBadLength = 5,   // decrypt: the bytes are not a non-zero multiple of 16
  kExitBadPadding = 6,  // decrypt: no valid padding, usually a wrong key
};

// The list of every exit status with its meaning, for `kxutil --help`.
std::string exitStatusHelp();

}  // namespace kxutil

#endif
