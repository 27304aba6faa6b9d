// KX::KXAES::encodeBase64 against OpenSSL's EVP_EncodeBlock for any bytes:
// the same characters, 4 * ceil(n / 3) of them, replacing what the output
// held; a negative length gives the empty string.
#include <openssl/evp.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "KXAPI/KXAES.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static KX::KXAES aes;  // encodeBase64 uses no state of the object
  const int n = static_cast<int>(size);
  std::string out = "previous content";
  if (aes.encodeBase64(out, data, n) != 0) std::abort();

  std::vector<unsigned char> expected(4 * ((size + 2) / 3) + 1);
  const int length = EVP_EncodeBlock(expected.data(), data, n);
  if (out.size() != 4 * ((size + 2) / 3)) std::abort();
  if (out != std::string(expected.begin(), expected.begin() + length)) std::abort();

  out = "previous content";
  if (aes.encodeBase64(out, data, -n - 1) != 0 || !out.empty()) std::abort();
  return 0;
}
