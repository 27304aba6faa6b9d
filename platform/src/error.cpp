#include "KXPlatform/KXError.h"

#include <cstdio>

namespace KX {

void kxPrintError(int code, std::string message) {
  // One write per line, so reports from several threads do not interleave.
  std::fprintf(stderr, "KX error %d: %s\n", code, message.c_str());
}

}  // namespace KX
