// KX::KXAES::encodeBase64: RFC 4648 section 4 base64 with "=" padding, as
// one line.
#include "KXAPI/KXAES.h"

namespace KX {

namespace {
constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}  // namespace

int KXAES::encodeBase64(std::string& out, const unsigned char* data, int len) {
  out.clear();
  if (len <= 0) {
    return 0;
  }
  const long long n = len;
  out.reserve(static_cast<std::size_t>((n + 2) / 3 * 4));

  // Whole groups of three bytes give four characters each.
  long long i = 0;
  for (; i + 3 <= n; i += 3) {
    const unsigned v = (unsigned{data[i]} << 16) | (unsigned{data[i + 1]} << 8) |
                       unsigned{data[i + 2]};
    const char group[4] = {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 0x3F],
                           kAlphabet[(v >> 6) & 0x3F], kAlphabet[v & 0x3F]};
    out.append(group, 4);
  }

  // One or two bytes left: two or three characters and the padding. The
  // byte past the end is never read.
  const long long rest = n - i;
  if (rest > 0) {
    const unsigned c = data[i];
    const unsigned next = rest == 2 ? data[i + 1] : 0u;
    out += kAlphabet[c >> 2];
    out += kAlphabet[((c & 0x03) << 4) | (next >> 4)];
    if (rest == 2) {
      out += kAlphabet[(next & 0x0F) << 2];
      out += '=';
    } else {
      out += "==";
    }
  }
  return 0;
}

}  // namespace KX
