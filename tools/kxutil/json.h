#ifndef KXUTIL_JSON_H
#define KXUTIL_JSON_H

#include <nlohmann/json.hpp>

namespace kxutil {

// A JSON value whose object members keep the order in which they were added.
using Json = nlohmann::ordered_json;

// printJson writes value to standard output on one line. Bytes of its strings
// that are not valid UTF-8 (paths and file contents are bytes) become U+FFFD,
// so the output is always valid JSON.
void printJson(const Json& value);

}  // namespace kxutil

#endif
