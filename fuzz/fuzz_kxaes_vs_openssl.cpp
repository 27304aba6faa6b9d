// The text facade against OpenSSL: AES-128-ECB with PKCS #7 padding, then
// Base64, must give the same characters for any key and text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "KXAPI/KXAES.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 16) return 0;
  const std::string key(reinterpret_cast<const char*>(data), 16);
  const std::string text(reinterpret_cast<const char*>(data) + 16, size - 16);

  KX::KXAES aes;
  if (aes.startEncryption(key) != 0 || aes.encrypt(text) != 0) std::abort();

  std::vector<unsigned char> cipher(text.size() + 16);
  int len = 0, tail = 0;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, data, nullptr);
  EVP_EncryptUpdate(ctx, cipher.data(), &len, data + 16, static_cast<int>(text.size()));
  EVP_EncryptFinal_ex(ctx, cipher.data() + len, &tail);
  EVP_CIPHER_CTX_free(ctx);

  std::string expected(4 * ((len + tail + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&expected[0]), cipher.data(), len + tail);
  expected.resize(static_cast<std::size_t>(n));
  if (aes.getEncryptedData() != expected) std::abort();
  return 0;
}
