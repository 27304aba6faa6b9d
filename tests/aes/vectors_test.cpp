// Published vectors: FIPS-197 Appendices A to C, Rijndael wide blocks and
// NIST SP 800-38A ECB/CBC.
#include <gtest/gtest.h>

#include "aes_probe.h"
#include "vector_file.h"

namespace {

using kxtest::Bytes;
using kxtest::ReadVectors;

// Each single-block vector: encryption, in-place encryption, decryption and
// in-place decryption, through EncryptBlock/DecryptBlock and through ECB.
TEST(AesVectors, SingleBlocks) {
  for (const auto& rec : ReadVectors("aes/block_vectors.txt")) {
    SCOPED_TRACE(rec.Where());
    const Bytes key = rec.Hex("Key");
    const Bytes plain = rec.Hex("Plaintext");
    const Bytes cipher = rec.Hex("Ciphertext");
    rec.CheckAllRead();
    const int blockBits = static_cast<int>(plain.size() * 8);

    AesProbe enc;
    enc.Start(key, blockBits, false);
    ASSERT_EQ(enc.blockBytes(), static_cast<int>(plain.size()));
    Bytes out(plain.size());
    enc.EncryptBlock(plain.data(), out.data());
    EXPECT_EQ(out, cipher) << "encrypt";
    Bytes inPlace = plain;
    enc.EncryptBlock(inPlace.data(), inPlace.data());
    EXPECT_EQ(inPlace, cipher) << "encrypt in place";
    Bytes viaMode(plain.size());
    enc.Encrypt(plain.data(), viaMode.data(), 1, AES::ECB);
    EXPECT_EQ(viaMode, cipher) << "ECB";

    AesProbe dec;
    dec.Start(key, blockBits, true);
    dec.DecryptBlock(cipher.data(), out.data());
    EXPECT_EQ(out, plain) << "decrypt";
    inPlace = cipher;
    dec.DecryptBlock(inPlace.data(), inPlace.data());
    EXPECT_EQ(inPlace, plain) << "decrypt in place";
    dec.Decrypt(cipher.data(), viaMode.data(), 1, AES::ECB);
    EXPECT_EQ(viaMode, plain) << "ECB";
  }
}

// The schedules are read straight from W: the encryption schedule is the
// FIPS-197 key expansion word for word, the decryption schedule that of the
// equivalent inverse cipher in the order DecryptBlock walks it.
TEST(AesVectors, KeyExpansion) {
  for (const auto& rec : ReadVectors("aes/key_expansion.txt")) {
    SCOPED_TRACE(rec.Where());
    const Bytes key = rec.Hex("Key");
    const Bytes schedule = rec.Hex("Schedule");
    const Bytes inverse = rec.Hex("DecSchedule");
    rec.CheckAllRead();

    AesProbe aes;
    aes.Start(key, 128, false);
    EXPECT_EQ(aes.Schedule(), schedule);

    AesProbe viaExpansion;
    viaExpansion.SetParameters(static_cast<int>(key.size() * 8), 128);
    viaExpansion.KeyExpansion(key.data());
    EXPECT_EQ(viaExpansion.Schedule(), schedule);

    aes.StartDecryption(key.data());
    EXPECT_EQ(aes.Schedule(), inverse);
  }
}

// SP 800-38A runs four blocks per record in both directions, in place too.
// The engine's CBC has a zero IV, so a record's IV is folded into the first
// block by the test.
TEST(AesVectors, Sp800_38a) {
  for (const auto& rec : ReadVectors("aes/sp800_38a.txt")) {
    SCOPED_TRACE(rec.Where());
    const std::string modeName = rec.Text("Mode");
    const Bytes key = rec.Hex("Key");
    const Bytes iv = rec.Has("IV") ? rec.Hex("IV") : Bytes(16, 0);
    const Bytes plain = rec.Hex("Plaintext");
    const Bytes cipher = rec.Hex("Ciphertext");
    rec.CheckAllRead();
    ASSERT_TRUE(modeName == "ECB" || modeName == "CBC");
    const AES::BlockMode mode = modeName == "ECB" ? AES::ECB : AES::CBC;
    const unsigned long blocks = plain.size() / 16;

    Bytes input = plain;
    for (int i = 0; i < 16; ++i) input[i] ^= iv[i];

    AesProbe enc;
    enc.Start(key, 128, false);
    Bytes out(plain.size());
    enc.Encrypt(input.data(), out.data(), blocks, mode);
    EXPECT_EQ(out, cipher) << "encrypt";
    Bytes inPlace = input;
    enc.Encrypt(inPlace.data(), inPlace.data(), blocks, mode);
    EXPECT_EQ(inPlace, cipher) << "encrypt in place";

    AesProbe dec;
    dec.Start(key, 128, true);
    dec.Decrypt(cipher.data(), out.data(), blocks, mode);
    for (int i = 0; i < 16; ++i) out[i] ^= iv[i];
    EXPECT_EQ(out, plain) << "decrypt";
    if (mode == AES::ECB) {
      inPlace = cipher;
      dec.Decrypt(inPlace.data(), inPlace.data(), blocks, mode);
      EXPECT_EQ(inPlace, plain) << "decrypt in place";
    }
  }
}

}  // namespace
