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

// A mode value outside the enumeration, as a caller's cast of any int gives it.
AES::BlockMode ModeFromInt(int value) {
  AES::BlockMode mode;
  std::memcpy(&mode, &value, sizeof mode);
  return mode;
}

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
    const AES::BlockMode mode = cbc ? AES::CBC : AES::ECB;
    const unsigned long blocks = plain.size() * 8 / static_cast<unsigned long>(blockBits);
    for (const bool encrypt : {true, false}) {
      SCOPED_TRACE(encrypt ? "encrypt" : "decrypt");
      AES aes;
      Start(aes, key, blockBits, !encrypt);
      const auto run = encrypt ? &AES::Encrypt : &AES::Decrypt;
      Bytes inPlace = encrypt ? plain : cipher, out(inPlace.size() + 1, 0xA5);
      (aes.*run)(inPlace.data(), out.data(), blocks, mode);
      EXPECT_EQ(out.back(), 0xA5) << "guard byte";
      out.pop_back();
      EXPECT_EQ(out, encrypt ? cipher : plain);
      if (!encrypt && cbc) continue;
      (aes.*run)(inPlace.data(), inPlace.data(), blocks, mode);
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

// Each case follows an accepted 256/256, which a refusal must clear.
TEST(AesEngine, SetParameters) {
  // clang-format off
  const struct {
    const char* name; int keyBits, blockBits, nb, nk, nr;
  } rows[] = {
      {"AES-128", 128, 128, 4, 4, 10},
      {"AES-192", 192, 128, 4, 6, 12},
      {"AES-256", 256, 128, 4, 8, 14},
      {"key 128, block 192", 128, 192, 6, 4, 12},
      {"key 192, block 192", 192, 192, 6, 6, 12},
      {"key 256, block 192", 256, 192, 6, 8, 14},
      {"key 128, block 256", 128, 256, 8, 4, 14},
      {"key 192, block 256", 192, 256, 8, 6, 14},
      {"key 256, block 256", 256, 256, 8, 8, 14},
      {"key of 160 bits refused", 160, 128, 0, 0, 0},
      {"block of 64 bits refused", 128, 64, 0, 0, 0},
      {"zeros refused", 0, 0, 0, 0, 0},
      {"negative key refused", -128, 128, 0, 0, 0},
      {"negative block refused", 128, -128, 0, 0, 0},
      {"512 bits refused", 512, 512, 0, 0, 0},
  };
  // clang-format on
  AesProbe aes;
  for (const auto& row : rows) {
    aes.SetParameters(256, 256);
    aes.SetParameters(row.keyBits, row.blockBits);
    EXPECT_EQ(aes.Nb, row.nb) << row.name;
    EXPECT_EQ(aes.Nk, row.nk) << row.name;
    EXPECT_EQ(aes.Nr, row.nr) << row.name;
  }
}

// Without accepted parameters the block calls neither read (a null input proves it) nor write,
// and a start asserts. numBlocks 0 touches nothing, even with an unknown mode; otherwise an
// unknown mode asserts. The assertions stay in every build type.
TEST(AesDeathTest, CallsOutsideTheContract) {
  AES aes;
  Bytes out(64, 0x3C);
  for (auto f : {&AES::Encrypt, &AES::Decrypt}) (aes.*f)(nullptr, out.data(), 2, AES::CBC);
  for (auto f : {&AES::EncryptBlock, &AES::DecryptBlock}) (aes.*f)(nullptr, out.data());
  EXPECT_DEATH(aes.StartEncryption(out.data()), "utility/aes/aes_algo.*Nk > 0");
  Start(aes, Bytes(16), 128, false);
  for (auto f : {&AES::Encrypt, &AES::Decrypt}) (aes.*f)(nullptr, out.data(), 0, ModeFromInt(2));
  EXPECT_EQ(out, Bytes(64, 0x3C));
  // The diagnostic names the source file and the public function that was misused.
  EXPECT_DEATH(aes.Encrypt(out.data(), out.data(), 1, ModeFromInt(2)),
               "utility/aes/aes_algo.*AES::Encrypt\\(.*Unknown mode!");
  EXPECT_DEATH(aes.Decrypt(out.data(), out.data(), 2, ModeFromInt(-1)),
               "utility/aes/aes_algo.*AES::Decrypt\\(.*Unknown mode!");
}
