// Parameters, key schedule properties and the chaining modes.
#include <gtest/gtest.h>

#include <random>

#include "aes_probe.h"
#include "vector_file.h"

namespace {

using kxtest::Bytes;
using kxtest::RandomBytes;

// --- Parameters -----------------------------------------------------------

struct ParamCase {
  int keyBits, blockBits;
  int nb, nk, nr;  // all 0 when refused
};

TEST(AesParameters, RoundsTableAndRefusals) {
  const ParamCase cases[] = {
      {128, 128, 4, 4, 10}, {192, 128, 4, 6, 12}, {256, 128, 4, 8, 14},
      {128, 192, 6, 4, 12}, {192, 192, 6, 6, 12}, {256, 192, 6, 8, 14},
      {128, 256, 8, 4, 14}, {192, 256, 8, 6, 14}, {256, 256, 8, 8, 14},
      {160, 128, 0, 0, 0},  {128, 64, 0, 0, 0},   {0, 0, 0, 0, 0},
      {-128, 128, 0, 0, 0}, {128, -128, 0, 0, 0}, {512, 512, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.keyBits << "/" << c.blockBits);
    AesProbe aes;
    aes.SetParameters(256, 256);  // a refusal must clear earlier values
    aes.SetParameters(c.keyBits, c.blockBits);
    EXPECT_EQ(aes.nb(), c.nb);
    EXPECT_EQ(aes.nk(), c.nk);
    EXPECT_EQ(aes.nr(), c.nr);
  }
}

TEST(AesParameters, ConstructionAndSetParametersLeaveW) {
  std::mt19937 rng(1);
  AesProbe aes;
  EXPECT_EQ(aes.AllOfW(), Bytes(480, 0));
  aes.Start(RandomBytes(rng, 32), 256, false);
  const Bytes before = aes.AllOfW();
  aes.SetParameters(128, 128);
  EXPECT_EQ(aes.AllOfW(), before);
  aes.SetParameters(1, 1);
  EXPECT_EQ(aes.AllOfW(), before);
}

// --- Key schedule ---------------------------------------------------------

constexpr int kLengths[] = {128, 192, 256};

TEST(AesKeySchedule, DecryptionScheduleProperties) {
  std::mt19937 rng(2);
  for (int keyBits : kLengths) {
    for (int blockBits : kLengths) {
      SCOPED_TRACE(testing::Message() << keyBits << "/" << blockBits);
      const Bytes key = RandomBytes(rng, keyBits / 8);
      AesProbe enc, dec;
      enc.Start(key, blockBits, false);
      dec.Start(key, blockBits, true);
      const int nr = enc.nr();
      EXPECT_EQ(dec.RoundKey(0), enc.RoundKey(nr));
      EXPECT_EQ(dec.RoundKey(nr), enc.RoundKey(0));
      EXPECT_NE(dec.RoundKey(nr / 2), enc.RoundKey(nr / 2));  // InvMixColumns
      // Words beyond the schedule keep what they held.
      const Bytes all = enc.AllOfW();
      const Bytes tail(all.begin() + enc.Schedule().size(), all.end());
      EXPECT_EQ(tail, Bytes(tail.size(), 0));
    }
  }
}

// --- Modes ----------------------------------------------------------------

// Every key/block combination: random runs of blocks round-trip in both
// modes, the output never runs past numBlocks blocks, and ECB and CBC-encrypt
// work in place.
TEST(AesModes, RoundTripsAllCombinations) {
  std::mt19937 rng(4);
  for (int keyBits : kLengths) {
    for (int blockBits : kLengths) {
      for (AES::BlockMode mode : {AES::ECB, AES::CBC}) {
        for (unsigned long blocks : {1ul, 2ul, 7ul}) {
          SCOPED_TRACE(testing::Message() << keyBits << "/" << blockBits
                                          << " mode " << mode << " x" << blocks);
          const Bytes key = RandomBytes(rng, keyBits / 8);
          const std::size_t size = blocks * blockBits / 8;
          const Bytes plain = RandomBytes(rng, size);
          AesProbe enc, dec;
          enc.Start(key, blockBits, false);
          dec.Start(key, blockBits, true);

          Bytes cipher(size + 1, 0xA5);  // one guard byte
          enc.Encrypt(plain.data(), cipher.data(), blocks, mode);
          EXPECT_EQ(cipher[size], 0xA5);
          cipher.pop_back();
          EXPECT_NE(cipher, plain);

          Bytes inPlace = plain;
          enc.Encrypt(inPlace.data(), inPlace.data(), blocks, mode);
          EXPECT_EQ(inPlace, cipher);

          Bytes back(size + 1, 0x5A);
          dec.Decrypt(cipher.data(), back.data(), blocks, mode);
          EXPECT_EQ(back[size], 0x5A);
          back.pop_back();
          EXPECT_EQ(back, plain);

          if (mode == AES::ECB || blocks == 1) {
            dec.Decrypt(inPlace.data(), inPlace.data(), blocks, mode);
            EXPECT_EQ(inPlace, plain);
          }
        }
      }
    }
  }
}

TEST(AesModes, EcbAndCbcStructure) {
  std::mt19937 rng(6);
  AesProbe aes;
  aes.Start(RandomBytes(rng, 16), 128, false);
  const Bytes block = RandomBytes(rng, 16);
  Bytes twice = block;
  twice.insert(twice.end(), block.begin(), block.end());

  Bytes ecb(32), cbc(32);
  aes.Encrypt(twice.data(), ecb.data(), 2, AES::ECB);
  aes.Encrypt(twice.data(), cbc.data(), 2, AES::CBC);
  // ECB: equal blocks, equal cipher blocks. CBC: the first block is the ECB
  // block (zero chaining value), the second differs.
  EXPECT_TRUE(std::equal(ecb.begin(), ecb.begin() + 16, ecb.begin() + 16));
  EXPECT_TRUE(std::equal(cbc.begin(), cbc.begin() + 16, ecb.begin()));
  EXPECT_FALSE(std::equal(cbc.begin(), cbc.begin() + 16, cbc.begin() + 16));

  // CBC restarts in every call: two calls of one block give ECB twice.
  Bytes split(32);
  aes.Encrypt(twice.data(), split.data(), 1, AES::CBC);
  aes.Encrypt(twice.data() + 16, split.data() + 16, 1, AES::CBC);
  EXPECT_EQ(split, ecb);
  EXPECT_NE(split, cbc);
}

// numBlocks 0 touches nothing, whatever the mode; an object without
// accepted parameters touches nothing either.
TEST(AesModes, CallsThatTouchNothing) {
  std::mt19937 rng(7);
  const Bytes in = RandomBytes(rng, 64);
  const Bytes untouched(64, 0x3C);

  AesProbe keyed;
  keyed.Start(RandomBytes(rng, 16), 128, false);
  AesProbe fresh;
  AesProbe refused;
  refused.SetParameters(100, 128);
  AesProbe bogus;  // Nb/Nr that SetParameters never produces
  bogus.Start(RandomBytes(rng, 16), 256, false);
  bogus.Force(8, 4, 10);

  for (AesProbe* aes : {&keyed, &fresh, &refused, &bogus}) {
    for (int mode : {0, 1, 2, -1}) {
      Bytes out = untouched;
      aes->Encrypt(in.data(), out.data(), 0, static_cast<AES::BlockMode>(mode));
      aes->Decrypt(in.data(), out.data(), 0, static_cast<AES::BlockMode>(mode));
      EXPECT_EQ(out, untouched) << "mode " << mode;
    }
  }
  // A null input proves that nothing is read.
  for (AesProbe* aes : {&fresh, &refused, &bogus}) {
    for (AES::BlockMode mode : {AES::ECB, AES::CBC}) {
      Bytes out = untouched;
      aes->Encrypt(nullptr, out.data(), 2, mode);
      aes->Decrypt(nullptr, out.data(), 2, mode);
      aes->EncryptBlock(nullptr, out.data());
      aes->DecryptBlock(nullptr, out.data());
      EXPECT_EQ(out, untouched) << "mode " << mode;
    }
  }
}

}  // namespace
