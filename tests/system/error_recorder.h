#ifndef KX_TESTS_SYSTEM_ERROR_RECORDER_H
#define KX_TESTS_SYSTEM_ERROR_RECORDER_H

#include <string>
#include <utility>
#include <vector>

namespace kxtest {

// The calls (code, message) that the library made to KX::kxPrintError,
// which this test program defines itself.
using ErrorReport = std::pair<int, std::string>;
std::vector<ErrorReport>& errorReports();

}  // namespace kxtest

#endif
