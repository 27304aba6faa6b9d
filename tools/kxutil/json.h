#ifndef KXUTIL_JSON_H
#define KXUTIL_JSON_H

#include <string>

namespace kxutil {

// jsonString returns text as a JSON string literal, quotes included. Control
// characters, quotes and backslashes are escaped; bytes that are not valid
// UTF-8 become U+FFFD, so the output is always valid JSON.
std::string jsonString(const std::string& text);

// JsonObject builds one JSON object, members in the order added.
class JsonObject {
public:
  JsonObject& add(const std::string& key, const std::string& value);
  JsonObject& add(const std::string& key, const char* value);
  JsonObject& add(const std::string& key, long long value);
  JsonObject& add(const std::string& key, int value);
  JsonObject& add(const std::string& key, bool value);
  JsonObject& addNull(const std::string& key);
  // A member whose value is already JSON text (an object or an array).
  JsonObject& addRaw(const std::string& key, const std::string& json);

  std::string str() const { return "{" + members_ + "}"; }

private:
  std::string members_;
};

}  // namespace kxutil

#endif
