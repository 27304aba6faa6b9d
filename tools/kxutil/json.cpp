#include "json.h"

#include <iostream>

namespace kxutil {

void printJson(const Json& value) {
  // Compact, non-ASCII text kept as UTF-8, invalid bytes replaced.
  std::cout << value.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace kxutil
