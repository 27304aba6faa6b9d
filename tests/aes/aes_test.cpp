// The cipher engine: published vectors, key schedules read from W, parameters, and calls
// outside the contract.
#include <gtest/gtest.h>

#include <cstring>

#include "KXAPI/AES.h"
#include "vector_file.h"

// Opens the engine's protected state to the tests.
struct AesProbe : AES {
  using AES::Nb, AES::Nk, AES::Nr, AES::W;
};

// A mode value outside the enumeration, as a caller's cast of any int gives it.
static AES::BlockMode ModeFromInt(int value) {
  AES::BlockMode mode;
  std::memcpy(&mode, &value, sizeof mode);
  return mode;
}

static void Start(AES& aes, const Bytes& key, int blockBits, bool forDecryption) {
  aes.SetParameters(static_cast<int>(key.size() * 8), blockBits);
  forDecryption ? aes.StartDecryption(key.data()) : aes.StartEncryption(key.data());
}

// Each vector is encrypted and decrypted into a buffer with a guard byte after it, then again
// in place by the same object: a second call, so CBC must restart. CBC decryption of several
// blocks needs separate buffers. Fields: mode, block bits, key, IV, plain words, cipher words.
TEST(AesEngine, Vectors) {
  for (const auto& c : ReadCases("aes/vectors.txt")) {
    SCOPED_TRACE(c[0] + " " + c[2]);
    Bytes plain = Hex(c, 4, c.size() / 2 + 2);
    const Bytes iv = Hex(c, 3, 4), cipher = Hex(c, c.size() / 2 + 2, c.size());
    for (std::size_t i = 0; i < iv.size(); ++i) plain[i] ^= iv[i];
    const AES::BlockMode mode = c[0] == "CBC" ? AES::CBC : AES::ECB;
    const unsigned long blocks = plain.size() * 8 / std::stoul(c[1]);
    for (bool encrypt : {true, false}) {
      AES aes;
      Start(aes, Hex(c, 2, 3), std::stoi(c[1]), !encrypt);
      const auto run = encrypt ? &AES::Encrypt : &AES::Decrypt;
      Bytes inPlace = encrypt ? plain : cipher, out(inPlace.size() + 1, 0xA5);
      (aes.*run)(inPlace.data(), out.data(), blocks, mode);
      EXPECT_EQ(out.back(), 0xA5) << "guard byte";
      out.pop_back();
      EXPECT_EQ(out, encrypt ? cipher : plain) << "encrypt: " << encrypt;
      if (!encrypt && mode == AES::CBC) continue;
      (aes.*run)(inPlace.data(), inPlace.data(), blocks, mode);
      EXPECT_EQ(inPlace, out) << "in place, encrypt: " << encrypt;
    }
  }
}

// The whole of W after a start on a new object: the schedule, then zeros.
TEST(AesEngine, KeySchedules) {
  for (const auto& c : ReadCases("aes/key_expansion.txt")) {
    AesProbe aes;
    Start(aes, Hex(c, 1, 2), 128, c[0] == "dec");
    Bytes expected = Hex(c, 2, c.size());
    expected.resize(sizeof aes.W);
    EXPECT_EQ(Bytes(aes.W, aes.W + sizeof aes.W), expected) << c[0] << " " << c[1];
  }
}

// Each case follows an accepted 256/256, which a refusal must clear.
TEST(AesEngine, SetParameters) {
  AesProbe aes;
  for (const auto& c : ReadCases("aes/parameters.txt")) {
    aes.SetParameters(256, 256);
    aes.SetParameters(std::stoi(c[0]), std::stoi(c[1]));
    EXPECT_EQ(std::to_string(aes.Nb) + " " + std::to_string(aes.Nk) + " " + std::to_string(aes.Nr),
              c[2] + " " + c[3] + " " + c[4])
        << c[0] << "/" << c[1];
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
