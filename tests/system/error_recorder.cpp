// Defines KX::kxPrintError in the test program. The library's calls go
// through the dynamic linker, so this definition takes the place of the
// platform library's stand-in and records each call.
#include "error_recorder.h"

#include "KXPlatform/KXError.h"

namespace kxtest {

std::vector<ErrorReport>& errorReports() {
  static std::vector<ErrorReport> reports;
  return reports;
}

}  // namespace kxtest

void KX::kxPrintError(int code, std::string message) {
  kxtest::errorReports().push_back({code, std::move(message)});
}
