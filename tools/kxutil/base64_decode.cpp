#include "base64_decode.h"

#include <cstdio>

namespace kxutil {

namespace {

// The value of a character of the alphabet (RFC 4648, Table 1), or -1.
int sextet(char c) {
  if (c >= 'A' && c <= 'Z') {
    return c - 'A';
  }
  if (c >= 'a' && c <= 'z') {
    return c - 'a' + 26;
  }
  if (c >= '0' && c <= '9') {
    return c - '0' + 52;
  }
  if (c == '+') {
    return 62;
  }
  if (c == '/') {
    return 63;
  }
  return -1;
}

std::string describe(char c) {
  const auto byte = static_cast<unsigned char>(c);
  // Either text fits the buffer, so the lengths snprintf returns say nothing.
  char text[16];
  if (byte >= 0x21 && byte < 0x7F) {
    static_cast<void>(std::snprintf(text, sizeof text, "'%c'", c));
  } else {
    static_cast<void>(std::snprintf(text, sizeof text, "byte 0x%02X", byte));
  }
  return text;
}

}  // namespace

std::string decodeBase64(const std::string& text, std::string& bytes) {
  if (text.size() % 4 != 0) {
    return "its length " + std::to_string(text.size()) + " is not a multiple of 4";
  }
  // "=" may stand only in the last two places, and "x=" only before "=".
  std::size_t padding = 0;
  if (!text.empty() && text.back() == '=') {
    padding = text[text.size() - 2] == '=' ? 2 : 1;
  }
  const std::size_t data = text.size() - padding;
  bytes.clear();
  bytes.reserve(data / 4 * 3 + 2);
  unsigned long bits = 0;
  int count = 0;
  for (std::size_t i = 0; i < data; ++i) {
    const int value = sextet(text[i]);
    if (value < 0) {
      return text[i] == '=' ? "'=' at position " + std::to_string(i + 1) + " is not at the end"
                            : "the " + describe(text[i]) + " at position " + std::to_string(i + 1) +
                                  " is not in the Base64 alphabet";
    }
    bits = (bits << 6) | static_cast<unsigned long>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  // One "=" leaves 2 bits over, two leave 4; an encoder sets them to zero.
  if ((bits & ((1UL << count) - 1)) != 0) {
    return "the bits after its last byte are not zero";
  }
  return {};
}

}  // namespace kxutil
