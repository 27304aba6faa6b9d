#ifndef KXUTIL_BASE64_DECODE_H
#define KXUTIL_BASE64_DECODE_H

#include <string>

namespace kxutil {

// decodeBase64 decodes text by RFC 4648, section 4, strictly: only the 64
// characters of the alphabet, a length that is a multiple of 4, "=" only as
// the last one or two characters, and zero bits after the last byte (the
// one encoding that an encoder produces). No white space, no line breaks.
// On success it stores the bytes in bytes and returns an empty string;
// otherwise it leaves bytes unspecified and returns what is wrong, e.g.
// "the character '*' at position 5 is not in the Base64 alphabet".
std::string decodeBase64(const std::string& text, std::string& bytes);

}  // namespace kxutil

#endif
