// KX::KXAES::encodeBase64: RFC 4648 section 4 base64 with "=" padding, as
// one line.
#include "KXAPI/KXAES.h"

namespace KX {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}  // namespace

int KXAES::encodeBase64(std::string& out, const unsigned char* data, int len) {
  out.clear();
  if (len <= 0) {
    return 0;
  }
  const std::size_t n = static_cast<std::size_t>(len);
  out.resize((n + 2) / 3 * 4);
  char* dst = &out[0];

  // Whole groups of three bytes give four characters each.
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3, dst += 4) {
    const unsigned v =
        (unsigned{data[i]} << 16) | (unsigned{data[i + 1]} << 8) | unsigned{data[i + 2]};
    dst[0] = kAlphabet[v >> 18];
    dst[1] = kAlphabet[(v >> 12) & 0x3F];
    dst[2] = kAlphabet[(v >> 6) & 0x3F];
    dst[3] = kAlphabet[v & 0x3F];
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
  return 0;
}

}  // namespace KX
