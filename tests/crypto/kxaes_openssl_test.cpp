// KX::KXAES against OpenSSL: AES-128-ECB with PKCS #7 padding, then Base64,
// for random keys and texts of every length from 0 to 100 bytes.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "KXAPI/KXAES.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string OpenSslReference(const std::string& key, const std::string& text) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(
      EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  Bytes cipher(text.size() + 16);
  int n = 0, tail = 0;
  const auto* k = reinterpret_cast<const unsigned char*>(key.data());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  if (EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, k, nullptr) != 1 ||
      EVP_EncryptUpdate(ctx.get(), cipher.data(), &n, p, static_cast<int>(text.size())) != 1 ||
      EVP_EncryptFinal_ex(ctx.get(), cipher.data() + n, &tail) != 1) {
    ADD_FAILURE() << "OpenSSL failed";
    return {};
  }
  std::string b64(4 * ((n + tail + 2) / 3) + 1, '\0');
  const int len = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&b64[0]), cipher.data(), n + tail);
  b64.resize(static_cast<std::size_t>(len));
  return b64;
}

TEST(KxaesEncrypt, MatchesOpenSsl) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> zeroOrByte(0, 3);
  for (int trial = 0; trial < 4; ++trial) {
    std::string key(16, '\0');
    for (auto& c : key) c = static_cast<char>(byte(rng));
    KX::KXAES aes;
    ASSERT_EQ(aes.startEncryption(key), 0);
    for (std::size_t length = 0; length <= 100; ++length) {
      std::string text(length, '\0');
      for (auto& c : text) c = zeroOrByte(rng) == 0 ? '\0' : static_cast<char>(byte(rng));
      ASSERT_EQ(aes.encrypt(text), 0);
      ASSERT_EQ(aes.getEncryptedData(), OpenSslReference(key, text))
          << "length " << length << ", trial " << trial;
    }
  }
}

}  // namespace
