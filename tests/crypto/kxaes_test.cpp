// KX::KXAES: RFC 4648's Base64 vectors, known answers with the padding, and refused keys.
#include <gtest/gtest.h>

#include <memory>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"
#include "published.h"

using KX::KX_STATUS_INVALID_ARGUMENT;
using KX::KX_STATUS_OK;

// The data sit in a buffer of their exact size, so that a sanitizer sees any read past the end.
// The output replaces what the string held, whether that had another length or the result's.
TEST(Kxaes, Base64) {
  KX::KXAES aes;
  for (const auto& v : kxtest::published("rfc4648.txt")) {
    const std::string text = v[0].substr(8, v[0].size() - 10);  // BASE64("text")
    const std::string expected = v[2].substr(1, v[2].size() - 2);
    const kxtest::Bytes data(text.begin(), text.end());
    for (std::string out : {std::string("previous content"), std::string(expected.size(), '#')}) {
      EXPECT_EQ(aes.encodeBase64(out, data.data(), static_cast<int>(data.size())), KX_STATUS_OK);
      EXPECT_EQ(out, expected);
    }
  }
  const kxtest::Bytes zeros(15);  // through the 12-byte steps
  std::string out = "previous";
  EXPECT_EQ(aes.encodeBase64(out, zeros.data(), 15), KX_STATUS_OK);
  EXPECT_EQ(out, std::string(20, 'A'));
  EXPECT_EQ(aes.encodeBase64(out, nullptr, -1), KX_STATUS_OK);
  EXPECT_EQ(out, "");
}

// A known answer (as OpenSSL gives it) under the key 00 01 ... 0f, after keys of other sizes
// were refused; before any key encrypt refuses and leaves the result empty. kxutil's tests add
// more known answers.
TEST(Kxaes, EncryptAndRefusedKeys) {
  const std::string text = "The quick brown fox jumps over the lazy dog, twice: 48 bytes";
  KX::KXAES aes;
  EXPECT_EQ(aes.encrypt("hello"), KX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(aes.getEncryptedData(), "");
  ASSERT_EQ(aes.startEncryption(std::string("\0\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17", 16)),
            KX_STATUS_OK);
  EXPECT_EQ(aes.startEncryption("fifteen bytes!!"), KX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(aes.startEncryption(std::string(17, 'k')), KX_STATUS_INVALID_ARGUMENT);
  ASSERT_EQ(aes.encrypt(text), KX_STATUS_OK);
  EXPECT_EQ(
      aes.getEncryptedData(),
      "9wIcAd5DyBR80kd6frpVs2mNwp9tsNXtpO7GgrM5Ors9XNNctirajvjx2wVQ+Fs1zzDc6RnFOp1fSVTuCf6QZg==");
  int length = -1;
  const std::unique_ptr<unsigned char[]> padded(aes.convertPlainText(text, length));
  EXPECT_EQ(std::string(padded.get(), padded.get() + length), text + "\4\4\4\4");  // PKCS #7
}
