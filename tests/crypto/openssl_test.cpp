// Differential tests against OpenSSL over random keys and data: the engine (128-bit blocks,
// ECB and CBC with a zero IV, both directions) and KX::KXAES (AES-128-ECB, PKCS #7, Base64).
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <random>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"
#include "published.h"

using kxtest::Bytes;

static Bytes OpenSsl(const EVP_CIPHER* type, const Bytes& key, const Bytes& in, int enc, int pad) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  Bytes out(in.size() + 16);
  int n = 0;
  int tail = 0;
  EXPECT_TRUE(EVP_CipherInit_ex(ctx, type, nullptr, key.data(), Bytes(16).data(), enc) &&
              EVP_CIPHER_CTX_set_padding(ctx, pad) &&
              EVP_CipherUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size())) &&
              EVP_CipherFinal_ex(ctx, out.data() + n, &tail));
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<std::size_t>(n) + static_cast<std::size_t>(tail));
  return out;
}

// Each round: a key length and mode in turn, random key, blocks (taken as plain and as cipher
// text) and a text of as many bytes as the round's number (0 to 302, so 1 to 19 blocks); about
// a quarter of all bytes are zero. KXAES takes the first 16 bytes of the key.
TEST(OpenSsl, EngineAndKxaes) {
  std::mt19937 rng(20261205);
  for (int round = 0; round < 303; ++round) {
    const int keyBits = 128 + 64 * (round % 3);
    const AES::BlockMode mode = round / 3 % 2 == 0 ? AES::ECB : AES::CBC;
    const EVP_CIPHER* type =
        EVP_get_cipherbyname(("aes-" + std::to_string(keyBits) + (mode ? "-cbc" : "-ecb")).c_str());
    Bytes key(static_cast<std::size_t>(keyBits / 8));
    Bytes data(16 * (1 + rng() % 40));
    Bytes text(static_cast<std::size_t>(round));
    Bytes out(data.size());
    for (Bytes* b : {&key, &data, &text}) {
      std::generate(b->begin(), b->end(), [&] { return rng() % 4 ? rng() : 0; });
    }
    AES aes;
    for (const int enc : {1, 0}) {
      aes.SetParameters(keyBits, 128);
      enc ? aes.StartEncryption(key.data()) : aes.StartDecryption(key.data());
      (aes.*(enc ? &AES::Encrypt : &AES::Decrypt))(data.data(), out.data(), data.size() / 16, mode);
      ASSERT_EQ(out, OpenSsl(type, key, data, enc, 0)) << round << " " << enc;
    }
    KX::KXAES kxaes;
    ASSERT_EQ(kxaes.startEncryption(std::string(key.begin(), key.begin() + 16)), KX::KX_STATUS_OK);
    ASSERT_EQ(kxaes.encrypt(std::string(text.begin(), text.end())), KX::KX_STATUS_OK);
    const Bytes cipher = OpenSsl(EVP_aes_128_ecb(), key, text, 1, 1);
    unsigned char base64[512];  // 4 characters for every 3 bytes of at most 304, and a '\0'
    EVP_EncodeBlock(base64, cipher.data(), static_cast<int>(cipher.size()));
    EXPECT_EQ(kxaes.getEncryptedData(), reinterpret_cast<const char*>(base64)) << round;
  }
}
