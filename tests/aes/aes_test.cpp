// The cipher engine: the published vectors through every call, ECB and CBC as the chain of
// single-block calls for every key and block width, and calls outside the contract.
#include <gtest/gtest.h>

#include <cstring>

#include "KXAPI/AES.h"
#include "published.h"

using kxtest::Bytes;

namespace {

// Checks plain against cipher block by block through EncryptBlock and DecryptBlock, chaining
// from iv for CBC, then whole through Encrypt (in place) and Decrypt (CBC decryption of several
// blocks needs two buffers), whose CBC starts from zero: the IV is folded into the first block.
void Check(const Bytes& key, int blockBits, bool cbc, const Bytes& iv, const Bytes& plain,
           const Bytes& cipher) {
  const auto n = static_cast<std::size_t>(blockBits / 8);
  const AES::BlockMode mode = cbc ? AES::CBC : AES::ECB;
  AES enc;
  AES dec;
  enc.SetParameters(static_cast<int>(key.size() * 8), blockBits);
  dec.SetParameters(static_cast<int>(key.size() * 8), blockBits);
  enc.StartEncryption(key.data());
  dec.StartDecryption(key.data());
  Bytes in = plain;  // what each block call encrypts
  for (std::size_t i = 0; i < plain.size(); ++i) {
    in[i] ^= i < n ? iv[i] : cbc ? cipher[i - n] : Bytes::value_type{0};
  }
  Bytes out(plain.size());
  Bytes back(plain.size());
  for (std::size_t at = 0; at < plain.size(); at += n) {
    enc.EncryptBlock(&in[at], &out[at]);
    dec.DecryptBlock(&cipher[at], &back[at]);
  }
  EXPECT_EQ(out, cipher) << "EncryptBlock";
  EXPECT_EQ(back, in) << "DecryptBlock";
  in = plain;
  for (std::size_t i = 0; i < n; ++i) {
    in[i] ^= iv[i];
  }
  out = in;
  enc.Encrypt(out.data(), out.data(), plain.size() / n, mode);
  EXPECT_EQ(out, cipher) << "Encrypt";
  dec.Decrypt(cipher.data(), back.data(), plain.size() / n, mode);
  EXPECT_EQ(back, in) << "Decrypt";
}

}  // namespace

TEST(AesEngine, PublishedVectors) {
  for (const auto& v : kxtest::published("aes.txt")) {
    const Bytes iv = v[2] == "-" ? Bytes(16) : kxtest::fromHex(v[2]);
    Check(kxtest::fromHex(v[1]), 128, v[0] == "CBC", iv, kxtest::fromHex(v[3]),
          kxtest::fromHex(v[4]));
  }
}

// The wider blocks: known answers for an all-zero key and block, then for every key and block
// width three blocks through Encrypt and Decrypt against the chain of single-block calls.
TEST(AesEngine, WiderBlocksAndChains) {
  const std::tuple<int, int, const char*> known[] = {
      {128, 192, "a92732eb488d8bb98ecd8d95dc9c02e052f250ad369b3849"},
      {192, 192, "c6348be20007bac4a8bd62890c8147a2432e760e9a9f9ab8"},
      {128, 256, "a693b288df7dae5b1757640276439230db77c4cd7a871e24d6162e54af434891"},
      {256, 256, "c6227e7740b7e53b5cb77865278eab0726f62366d9aabad908936123a1fc8af3"},
  };
  for (const auto& [keyBits, blockBits, cipher] : known) {
    const Bytes zeros(static_cast<std::size_t>(blockBits / 8));
    Check(Bytes(static_cast<std::size_t>(keyBits / 8)), blockBits, false, zeros, zeros,
          kxtest::fromHex(cipher));
  }
  for (int run = 0; run < 18; ++run) {
    const int keyBits = 128 + run % 3 * 64;
    const int blockBits = 128 + run / 3 % 3 * 64;
    const bool cbc = run >= 9;
    SCOPED_TRACE(run);
    const auto n = static_cast<std::size_t>(blockBits / 8);
    const Bytes key(static_cast<std::size_t>(keyBits / 8), static_cast<unsigned char>(run));
    const Bytes plain(3 * n, static_cast<unsigned char>(run * 37 + 11));
    Bytes cipher = plain;
    AES aes;
    aes.SetParameters(keyBits, blockBits);
    aes.StartEncryption(key.data());
    aes.Encrypt(plain.data(), cipher.data(), 3, cbc ? AES::CBC : AES::ECB);
    Check(key, blockBits, cbc, Bytes(n), plain, cipher);  // against the single-block calls
  }
}

// Without accepted parameters the block calls neither read (a null input proves it) nor write,
// and a start asserts. numBlocks 0 touches nothing, even with an unknown mode; otherwise an
// unknown mode asserts, naming the source file and the public function.
TEST(AesDeathTest, CallsOutsideTheContract) {
  AES aes;
  Bytes out(64, 0x3C);
  const auto mode = [](int value) {
    AES::BlockMode m;
    std::memcpy(&m, &value, sizeof m);
    return m;
  };
  aes.SetParameters(256, 256);
  aes.SetParameters(128, 100);  // refused: the parameters are reset
  aes.Encrypt(nullptr, out.data(), 2, AES::CBC);
  aes.DecryptBlock(nullptr, out.data());
  EXPECT_DEATH(aes.StartEncryption(out.data()), "utility/aes/aes_algo.*Nk > 0");
  aes.SetParameters(128, 128);
  aes.StartEncryption(out.data());
  aes.Encrypt(nullptr, out.data(), 0, mode(2));
  aes.Decrypt(nullptr, out.data(), 0, mode(2));
  EXPECT_EQ(out, Bytes(64, 0x3C));
  EXPECT_DEATH(aes.Encrypt(out.data(), out.data(), 1, mode(2)),
               "utility/aes/aes_algo.*AES::Encrypt\\(.*Unknown mode!");
  EXPECT_DEATH(aes.Decrypt(out.data(), out.data(), 1, mode(2)),
               "utility/aes/aes_algo.*AES::Decrypt\\(.*Unknown mode!");
}
