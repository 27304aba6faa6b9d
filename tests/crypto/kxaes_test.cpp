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
  for (const kxtest::Fields& v : kxtest::published("rfc4648.txt")) {
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

// Known answers (as OpenSSL gives them) under the key 00 01 ... 0f; before any key encrypt
// refuses and leaves the result empty. A key of another size is refused, and the accepted key
// stays.
TEST(Kxaes, EncryptAndRefusedKeys) {
  const std::tuple<std::string, std::string, const char*> rows[] = {
      {"", std::string(16, '\x10'), "lU9k8uTobp7ugtICFmhImQ=="},
      {"The quick brown fox jumps over the lazy dog, twice: 48 bytes",
       "The quick brown fox jumps over the lazy dog, twice: 48 bytes\4\4\4\4",
       "9wIcAd5DyBR80kd6frpVs2mNwp9tsNXtpO7GgrM5Ors9XNNctirajvjx2wVQ+Fs1zzDc6RnFOp1fSVTuCf6QZg=="},
  };
  const std::string key("\0\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17", 16);
  KX::KXAES aes;
  EXPECT_EQ(aes.encrypt("hello"), KX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(aes.getEncryptedData(), "");
  ASSERT_EQ(aes.startEncryption(key), KX_STATUS_OK);
  for (const std::size_t size : {0U, 15U, 17U, 1234U}) {
    EXPECT_EQ(aes.startEncryption(std::string(size, 'k')), KX_STATUS_INVALID_ARGUMENT) << size;
  }
  for (const auto& [text, padded, base64] : rows) {
    ASSERT_EQ(aes.encrypt(text), KX_STATUS_OK);
    EXPECT_EQ(aes.getEncryptedData(), base64);
    int length = -1;
    const std::unique_ptr<unsigned char[]> out(aes.convertPlainText(text, length));
    EXPECT_EQ(std::string(out.get(), out.get() + length), padded);  // PKCS #7
  }
}
