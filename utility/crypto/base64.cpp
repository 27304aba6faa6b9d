// KX::KXAES::encodeBase64: RFC 4648 section 4 base64 with "=" padding, as
// one line.
//
// Three input bytes are two 12-bit halves, and each half is looked up as a
// ready pair of characters, so the inner loop does two table loads per three
// bytes instead of four.
#include <cstdint>
#include <cstring>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"

namespace KX {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Entry v (0 .. 4095) holds the characters of v's upper and lower six bits.
// The table is filled on first use rather than by the compiler, so that its
// 8 KiB live in bss and not in the library file, which stays small for the
// device.
char gPairs[2 * 4096];

const char* Pairs() {
  static const bool built = [] {
    for (std::size_t v = 0; v < 4096; ++v) {
      gPairs[2 * v] = kAlphabet[v >> 6];
      gPairs[2 * v + 1] = kAlphabet[v & 0x3F];
    }
    return true;
  }();
  (void)built;
  return gPairs;
}

inline void PutPair(char* dst, const char* pairs, std::uint32_t twelveBits) {
  std::memcpy(dst, &pairs[2 * std::size_t{twelveBits}], 2);
}

// The four characters of the 24 bits in v.
inline void PutGroup(char* dst, const char* pairs, std::uint32_t v) {
  PutPair(dst, pairs, v >> 12);
  PutPair(dst + 2, pairs, v & 0xFFF);
}

// The three bytes at src, the first in the top bits.
inline std::uint32_t Load24(const unsigned char* src) {
  return std::uint32_t{src[0]} << 16 | std::uint32_t{src[1]} << 8 | std::uint32_t{src[2]};
}

// The same from one 32-bit load; reads the byte after the group too.
inline std::uint32_t Load24Wide(const unsigned char* src) {
  std::uint32_t v;
  std::memcpy(&v, src, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  v = __builtin_bswap32(v);
#endif
  return v >> 8;
}

// Writes the (n + 2) / 3 * 4 characters of the n bytes at data to dst.
void EncodeInto(char* dst, const unsigned char* data, std::size_t n) {
  const char* const pairs = Pairs();
  std::size_t i = 0;
  // Four groups at a time while the byte after the fourth exists, so that
  // the wide loads stay inside the input.
  for (; i + 12 < n; i += 12, dst += 16) {
    PutGroup(dst, pairs, Load24Wide(data + i));
    PutGroup(dst + 4, pairs, Load24Wide(data + i + 3));
    PutGroup(dst + 8, pairs, Load24Wide(data + i + 6));
    PutGroup(dst + 12, pairs, Load24Wide(data + i + 9));
  }
  for (; i + 3 <= n; i += 3, dst += 4) {
    PutGroup(dst, pairs, Load24(data + i));
  }

  // One or two bytes left: two or three characters and the padding. The
  // byte past the end is never read.
  const std::size_t rest = n - i;
  if (rest > 0) {
    const unsigned c = data[i];
    const unsigned next = rest == 2 ? data[i + 1] : 0u;
    dst[0] = kAlphabet[c >> 2];
    dst[1] = kAlphabet[((c & 0x03) << 4) | (next >> 4)];
    dst[2] = rest == 2 ? kAlphabet[(next & 0x0F) << 2] : '=';
    dst[3] = '=';
  }
}

}  // namespace

int KXAES::encodeBase64(std::string& out, const unsigned char* data, int len) {
  if (len <= 0) {
    out.clear();
    return KX_STATUS_OK;
  }
  // A string with room for the result (texts of 0 to 15 bytes all give 24
  // characters) is written in place: resizing it within its capacity
  // allocates nothing and cannot fail, and one of the result's length is
  // used as it is. A longer result is written into a new string that
  // replaces out only when it is complete, so that a failed allocation leaves
  // out as it was; that costs the one allocation that growing out would
  // cost, and copies nothing.
  const std::size_t n = static_cast<std::size_t>(len);
  const std::size_t chars = (n + 2) / 3 * 4;
  if (chars <= out.capacity()) {
    if (out.size() != chars) {
      out.resize(chars);
    }
    EncodeInto(&out[0], data, n);
  } else {
    std::string grown(chars, '\0');
    EncodeInto(&grown[0], data, n);
    out.swap(grown);
  }
  return KX_STATUS_OK;
}

}  // namespace KX
