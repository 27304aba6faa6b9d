// KX::KXAES: RFC 4648's Base64 vectors and refused keys.
#include <gtest/gtest.h>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"
#include "published.h"

using namespace KX;

// The data sit in a buffer of their exact size, so that a sanitizer sees any read past the end.
// The output replaces what the string held. kxutil's round trips cover the longer inputs.
TEST(Kxaes, Base64) {
  KX::KXAES aes;
  std::string out = "previous content";  // the vectors' lengths differ from one to the next
  for (const auto& v : kxtest::published("rfc4648.txt")) {
    const std::string text = v[0].substr(8, v[0].size() - 10);  // BASE64("text")
    const kxtest::Bytes data(text.begin(), text.end());
    EXPECT_EQ(aes.encodeBase64(out, data.data(), static_cast<int>(data.size())), KX_STATUS_OK);
    EXPECT_EQ(out, v[2].substr(1, v[2].size() - 2));
  }
  EXPECT_EQ(aes.encodeBase64(out, nullptr, -1), KX_STATUS_OK);
  EXPECT_EQ(out, "");
}

// Before any key encrypt refuses and leaves the result empty; keys of other sizes are refused
// and the accepted one stays. kxutil's tests check encrypt's known answers.
TEST(Kxaes, RefusedKeys) {
  KX::KXAES aes;
  EXPECT_EQ(aes.encrypt("hello"), KX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(aes.getEncryptedData(), "");
  ASSERT_EQ(aes.startEncryption("sixteen byte key"), KX_STATUS_OK);
  testing::internal::CaptureStderr();
  EXPECT_EQ(aes.startEncryption("fifteen bytes!!"), KX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Encryption key length is invalid: 15. Has to be 16.\n");
  ASSERT_EQ(aes.encrypt("hello"), KX_STATUS_OK);
  EXPECT_EQ(aes.getEncryptedData(), "+W2cDEJuUvdT0wBuao3HWg==");  // as OpenSSL gives it
}
