// Differential tests against OpenSSL's AES (128-bit blocks): random keys and
// runs of blocks, ECB and CBC with a zero IV, both directions.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>
#include <random>

#include "aes_probe.h"
#include "vector_file.h"

namespace {

using kxtest::Bytes;
using kxtest::RandomBytes;

const EVP_CIPHER* Cipher(std::size_t keyBytes, AES::BlockMode mode) {
  const bool ecb = mode == AES::ECB;
  switch (keyBytes) {
    case 16: return ecb ? EVP_aes_128_ecb() : EVP_aes_128_cbc();
    case 24: return ecb ? EVP_aes_192_ecb() : EVP_aes_192_cbc();
    default: return ecb ? EVP_aes_256_ecb() : EVP_aes_256_cbc();
  }
}

Bytes OpenSsl(bool encrypt, const Bytes& key, AES::BlockMode mode, const Bytes& in) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(
      EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  const unsigned char iv[16] = {};
  Bytes out(in.size() + 16);
  int n = 0, tail = 0;
  if (EVP_CipherInit_ex(ctx.get(), Cipher(key.size(), mode), nullptr, key.data(), iv,
                        encrypt ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
      EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), static_cast<int>(in.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail) != 1) {
    ADD_FAILURE() << "OpenSSL failed";
    return {};
  }
  out.resize(static_cast<std::size_t>(n + tail));
  return out;
}

TEST(AesOpenSsl, RandomKeysAndData) {
  std::mt19937 rng(20261205);
  std::uniform_int_distribution<unsigned long> blockCount(1, 40);
  for (std::size_t keyBytes : {16u, 24u, 32u}) {
    for (AES::BlockMode mode : {AES::ECB, AES::CBC}) {
      for (int round = 0; round < 25; ++round) {
        const Bytes key = RandomBytes(rng, keyBytes);
        const unsigned long blocks = blockCount(rng);
        const Bytes data = RandomBytes(rng, blocks * 16);
        SCOPED_TRACE(testing::Message() << keyBytes * 8 << "-bit key, mode " << mode
                                        << ", " << blocks << " blocks, round " << round);
        AesProbe enc, dec;
        enc.Start(key, 128, false);
        dec.Start(key, 128, true);

        Bytes out(data.size());
        enc.Encrypt(data.data(), out.data(), blocks, mode);
        ASSERT_EQ(out, OpenSsl(true, key, mode, data));

        // The same random bytes taken as cipher text.
        dec.Decrypt(data.data(), out.data(), blocks, mode);
        ASSERT_EQ(out, OpenSsl(false, key, mode, data));
      }
    }
  }
}

}  // namespace
