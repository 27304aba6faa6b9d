// Programming errors end the process through assertions, in every build
// type (the library keeps them when NDEBUG is set).
#include <gtest/gtest.h>

#include "KXAPI/AES.h"

namespace {

const unsigned char kKey[32] = {1, 2, 3};

TEST(AesDeathTest, StartWithoutParameters) {
  EXPECT_DEATH(
      {
        AES aes;
        aes.StartEncryption(kKey);
      },
      "utility/aes/aes_algo.*Nk > 0");
  EXPECT_DEATH(
      {
        AES aes;
        aes.SetParameters(128, 100);  // refused: parameters stay 0
        aes.StartDecryption(kKey);
      },
      "utility/aes/aes_algo.*Nk > 0");
}

TEST(AesDeathTest, UnknownMode) {
  unsigned char buffer[32] = {};
  EXPECT_DEATH(
      {
        AES aes;
        aes.SetParameters(128, 128);
        aes.StartEncryption(kKey);
        aes.Encrypt(buffer, buffer, 1, static_cast<AES::BlockMode>(2));
      },
      "utility/aes/aes_algo.*Unknown mode!");
  EXPECT_DEATH(
      {
        AES aes;
        aes.SetParameters(128, 128);
        aes.StartDecryption(kKey);
        aes.Decrypt(buffer, buffer, 2, static_cast<AES::BlockMode>(-1));
      },
      "utility/aes/aes_algo.*Unknown mode!");
}

}  // namespace
