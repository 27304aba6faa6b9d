// The cipher engine: published vectors, key schedules read from W, parameters, and calls
// outside the contract.
#include <gtest/gtest.h>

#include <cstring>

#include "KXAPI/AES.h"
#include "test_file.h"

using kxtest::Bytes;

namespace {

// Opens the engine's protected state to the tests.
struct AesProbe : AES {
  using AES::Nb, AES::Nk, AES::Nr, AES::W;
};

void Start(AES& aes, const Bytes& key, int blockBits, bool forDecryption) {
  aes.SetParameters(static_cast<int>(key.size() * 8), blockBits);
  forDecryption ? aes.StartDecryption(key.data()) : aes.StartEncryption(key.data());
}

}  // namespace

// Each vector is encrypted and decrypted into a buffer with a guard byte after it, then again
// in place by the same object: a second call, so CBC must restart. CBC decryption of several
// blocks needs separate buffers.
TEST(AesEngine, Vectors) {
  kxtest::TestFile::forEach("aes/vectors.txt", [](kxtest::Record& v) {
    const bool cbc = v.text("Mode") == "CBC";
    const int blockBits = v.has("BlockBits") ? static_cast<int>(v.number("BlockBits")) : 128;
    const Bytes key = v.bytes("Key"), cipher = v.bytes("Ciphertext");
    Bytes plain = v.bytes("Plaintext");
    const Bytes iv = cbc ? v.bytes("IV") : Bytes();
    for (std::size_t i = 0; i < iv.size(); ++i) plain[i] ^= iv[i];
    const unsigned long blocks = plain.size() * 8 / static_cast<unsigned long>(blockBits);
    for (const bool encrypt : {true, false}) {
      SCOPED_TRACE(encrypt ? "encrypt" : "decrypt");
      AES aes;
      Start(aes, key, blockBits, !encrypt);
      const auto run = encrypt ? &AES::Encrypt : &AES::Decrypt;
      Bytes inPlace = encrypt ? plain : cipher, out(inPlace.size() + 1, 0xA5);
      (aes.*run)(inPlace.data(), out.data(), blocks, cbc ? AES::CBC : AES::ECB);
      EXPECT_EQ(out.back(), 0xA5) << "guard byte";
      out.pop_back();
      EXPECT_EQ(out, encrypt ? cipher : plain);
      if (!encrypt && cbc) continue;
      (aes.*run)(inPlace.data(), inPlace.data(), blocks, cbc ? AES::CBC : AES::ECB);
      EXPECT_EQ(inPlace, out) << "in place";
    }
  });
}

// The whole of W after a start on a new object: the schedule, then zeros.
TEST(AesEngine, KeySchedules) {
  kxtest::TestFile::forEach("aes/key_expansion.txt", [](kxtest::Record& v) {
    AesProbe aes;
    Start(aes, v.bytes("Key"), 128, v.text("Start") == "Decryption");
    Bytes expected = v.bytes("W");
    expected.resize(sizeof aes.W);
    EXPECT_EQ(Bytes(aes.W, aes.W + sizeof aes.W), expected);
  });
}

TEST(AesEngine, SetParameters) {
  AesProbe aes;
  kxtest::TestFile::forEach("aes/parameters.txt", [&aes](kxtest::Record& v) {
    aes.SetParameters(256, 256);
    aes.SetParameters(int(v.number("KeyBits")), int(v.number("BlockBits")));
    EXPECT_EQ(aes.Nb, v.number("Nb"));
    EXPECT_EQ(aes.Nk, v.number("Nk"));
    EXPECT_EQ(aes.Nr, v.number("Nr"));
  });
}

// Without accepted parameters the block calls neither read (a null input proves it) nor write,
// and a start asserts. numBlocks 0 touches nothing, even with an unknown mode (a caller's cast
// of any int); otherwise an unknown mode asserts, naming the source file and the public
// function. The assertions stay in every build type.
TEST(AesDeathTest, CallsOutsideTheContract) {
  AES aes;
  Bytes out(64, 0x3C);
  const auto mode = [](int value) {
    AES::BlockMode m;
    std::memcpy(&m, &value, sizeof m);
    return m;
  };
  for (auto f : {&AES::Encrypt, &AES::Decrypt}) (aes.*f)(nullptr, out.data(), 2, AES::CBC);
  for (auto f : {&AES::EncryptBlock, &AES::DecryptBlock}) (aes.*f)(nullptr, out.data());
  EXPECT_DEATH(aes.StartEncryption(out.data()), "utility/aes/aes_algo.*Nk > 0");
  Start(aes, Bytes(16), 128, false);
  for (auto f : {&AES::Encrypt, &AES::Decrypt}) (aes.*f)(nullptr, out.data(), 0, mode(2));
  EXPECT_EQ(out, Bytes(64, 0x3C));
  EXPECT_DEATH(aes.Encrypt(out.data(), out.data(), 1, mode(2)),
               "utility/aes/aes_algo.*AES::Encrypt\\(.*Unknown mode!");
  EXPECT_DEATH(aes.Decrypt(out.data(), out.data(), 2, mode(-1)),
               "utility/aes/aes_algo.*AES::Decrypt\\(.*Unknown mode!");
}
