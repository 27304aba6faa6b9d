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
  const std::string input(reinterpret_cast<const char*>(data), size);
  KX::KXAES aes;  // the first 16 bytes are the key, the rest the text
  if (aes.startEncryption(input.substr(0, 16)) || aes.encrypt(input.substr(16))) std::abort();

  // Room for the padded cipher text and for its Base64 form with a NUL.
  std::vector<unsigned char> cipher(size), base64(2 * size + 8);
  int len = 0, tail = 0;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, data, nullptr);
  EVP_EncryptUpdate(ctx, cipher.data(), &len, data + 16, static_cast<int>(size - 16));
  EVP_EncryptFinal_ex(ctx, cipher.data() + len, &tail);
  EVP_CIPHER_CTX_free(ctx);
  const int n = EVP_EncodeBlock(base64.data(), cipher.data(), len + tail);
  if (aes.getEncryptedData() != std::string(base64.begin(), base64.begin() + n)) std::abort();
  return 0;
}
