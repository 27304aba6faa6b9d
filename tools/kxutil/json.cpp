#include "json.h"

#include <cstdio>

namespace kxutil {

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 if none
// (overlong forms, surrogates and values above U+10FFFF are invalid).
std::size_t utf8Length(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) {
    return 0;
  }
  for (std::size_t k = 2; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      return 0;
    }
  }
  return length;
}

}  // namespace

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = utf8Length(text, i);
      if (length == 0) {
        out += "\\ufffd";
        ++i;
      } else {
        out.append(text, i, length);
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  return out + "\"";
}

JsonObject& JsonObject::addRaw(const std::string& key, const std::string& json) {
  if (!members_.empty()) {
    members_ += ",";
  }
  members_ += jsonString(key) + ":" + json;
  return *this;
}

JsonObject& JsonObject::add(const std::string& key, const std::string& value) {
  return addRaw(key, jsonString(value));
}

JsonObject& JsonObject::add(const std::string& key, const char* value) {
  return addRaw(key, jsonString(value));
}

JsonObject& JsonObject::add(const std::string& key, long long value) {
  return addRaw(key, std::to_string(value));
}

JsonObject& JsonObject::add(const std::string& key, int value) {
  return addRaw(key, std::to_string(value));
}

JsonObject& JsonObject::add(const std::string& key, bool value) {
  return addRaw(key, value ? "true" : "false");
}

JsonObject& JsonObject::addNull(const std::string& key) { return addRaw(key, "null"); }

}  // namespace kxutil
