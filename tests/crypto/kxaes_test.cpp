// KX::KXAES: keys, padding, results and Base64, from the data files.
#include <gtest/gtest.h>

#include <memory>

#include "KXAPI/KXAES.h"
#include "vector_file.h"

// Before any key encrypt returns 20 and changes nothing. Refused key sizes print one exact line
// on std::cerr, return 20 and leave the accepted key in force.
TEST(Kxaes, KeysPaddingAndResults) {
  for (const auto& c : ReadCases("crypto/kxaes.txt")) {
    const Bytes key = Hex(c, 0, 1), bytes = Hex(c, 1, 2);
    const std::string text(bytes.begin(), bytes.end());
    KX::KXAES aes;
    EXPECT_EQ(aes.encrypt(text), 20);
    EXPECT_EQ(aes.getEncryptedData(), "");
    ASSERT_EQ(aes.startEncryption(std::string(key.begin(), key.end())), 0);
    for (std::size_t size : {0u, 1u, 15u, 17u, 24u, 32u}) {
      testing::internal::CaptureStderr();
      EXPECT_EQ(aes.startEncryption(std::string(size, 'k')), 20);
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                "Encryption key length is invalid: " + std::to_string(size) + ". Has to be 16.\n");
    }
    ASSERT_EQ(aes.encrypt(text), 0);
    EXPECT_EQ(aes.getEncryptedData(), c[2]) << c[1];

    int padded = -1;
    const std::unique_ptr<unsigned char[]> out(aes.convertPlainText(text, padded));
    const std::size_t pad = 16 - text.size() % 16;
    ASSERT_EQ(padded, static_cast<int>(text.size() + pad)) << c[1];
    EXPECT_EQ(std::string(out.get(), out.get() + padded), text + std::string(pad, char(pad)));
  }
}

// The output replaces what the string held. An optional third field is the length passed.
TEST(Kxaes, Base64) {
  KX::KXAES aes;
  for (const auto& c : ReadCases("crypto/base64.txt")) {
    std::string out = "previous content";
    const int len = c.size() > 2 ? std::stoi(c[2]) : static_cast<int>(c[0].size() / 2);
    EXPECT_EQ(aes.encodeBase64(out, Hex(c, 0, 1).data(), len), 0);
    EXPECT_EQ(out, c[1]) << c[0];
  }
}
