#include "KXPlatform/KXError.h"

#include <cstdio>

namespace KX {

// NOLINTNEXTLINE(performance-unnecessary-value-param): the ABI passes the string by value
void kxPrintError(int code, std::string message) {
  // One write per line, so reports from several threads do not interleave.
  // A reporter has nowhere to report its own failure to write.
  static_cast<void>(std::fprintf(stderr, "KX error %d: %s\n", code, message.c_str()));
}

}  // namespace KX
