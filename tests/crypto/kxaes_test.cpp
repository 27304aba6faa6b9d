// KX::KXAES: keys, padding, Base64 and the whole text encryption, checked
// against vector files.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "KXAPI/KXAES.h"
#include "vector_file.h"

namespace {

using kxtest::Bytes;
using kxtest::ReadVectors;

std::string AsString(const Bytes& b) { return {b.begin(), b.end()}; }

// Captures what a stream receives while it lives.
class Capture {
 public:
  explicit Capture(std::ostream& stream) : stream_(stream), old_(stream.rdbuf(buffer_.rdbuf())) {}
  ~Capture() { stream_.rdbuf(old_); }
  std::string Text() const { return buffer_.str(); }

 private:
  std::ostream& stream_;
  std::ostringstream buffer_;
  std::streambuf* old_;
};

const std::string kKey = "0123456789abcdef";

TEST(KxaesKey, RefusedSizesPrintOneLine) {
  for (std::size_t size : {0u, 1u, 15u, 17u, 24u, 32u}) {
    KX::KXAES aes;
    Capture err(std::cerr);
    Capture out(std::cout);
    EXPECT_EQ(aes.startEncryption(std::string(size, 'k')), 20);
    EXPECT_EQ(err.Text(), "Encryption key length is invalid: " + std::to_string(size) +
                              ". Has to be 16.\n");
    EXPECT_EQ(out.Text(), "");
  }
}

// Before any accepted key encrypt refuses with 20; a refused key changes
// nothing, before or after an accepted one.
TEST(KxaesKey, RefusedKeysChangeNothing) {
  KX::KXAES aes;
  Capture err(std::cerr);
  EXPECT_EQ(aes.encrypt("payload"), 20);
  EXPECT_EQ(aes.startEncryption("short"), 20);
  EXPECT_EQ(aes.encrypt("payload"), 20);
  EXPECT_EQ(aes.getEncryptedData(), "");

  ASSERT_EQ(aes.startEncryption(kKey), 0);
  ASSERT_EQ(aes.encrypt("payload"), 0);
  const std::string before = aes.getEncryptedData();
  EXPECT_EQ(aes.startEncryption(std::string(15, '\0')), 20);
  ASSERT_EQ(aes.encrypt("payload"), 0);
  EXPECT_EQ(aes.getEncryptedData(), before);

  // A key of zero bytes is accepted and replaces the old one.
  ASSERT_EQ(aes.startEncryption(std::string(16, '\0')), 0);
  ASSERT_EQ(aes.encrypt("payload"), 0);
  EXPECT_NE(aes.getEncryptedData(), before);
}

// Golden results (tests/data/crypto/kxaes.txt), plus: the same text twice
// gives the same string, and a new text replaces the result.
TEST(KxaesEncrypt, Vectors) {
  for (const auto& rec : ReadVectors("crypto/kxaes.txt")) {
    SCOPED_TRACE(rec.Where());
    const std::string key = AsString(rec.Hex("Key"));
    const std::string text = AsString(rec.Hex("Text"));
    const std::string expected = rec.Text("Base64");
    rec.CheckAllRead();

    KX::KXAES aes;
    ASSERT_EQ(aes.startEncryption(key), 0);
    ASSERT_EQ(aes.encrypt(text), 0);
    EXPECT_EQ(aes.getEncryptedData(), expected);
    const std::size_t padded = (text.size() / 16 + 1) * 16;
    EXPECT_EQ(aes.getEncryptedData().size(), (padded + 2) / 3 * 4);
    ASSERT_EQ(aes.encrypt(text), 0);
    EXPECT_EQ(aes.getEncryptedData(), expected);
    ASSERT_EQ(aes.encrypt(text + "x"), 0);
    EXPECT_NE(aes.getEncryptedData(), expected);
  }
}

TEST(KxaesPadding, ConvertPlainText) {
  KX::KXAES aes;
  for (std::size_t length : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u}) {
    SCOPED_TRACE(length);
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(i * 7);
    int padded = -1;
    std::unique_ptr<unsigned char[]> out(aes.convertPlainText(text, padded));
    ASSERT_NE(out, nullptr);
    const std::size_t pad = 16 - length % 16;
    ASSERT_EQ(padded, static_cast<int>(length + pad));
    EXPECT_EQ(std::string(out.get(), out.get() + length), text);
    EXPECT_EQ(Bytes(out.get() + length, out.get() + padded), Bytes(pad, static_cast<unsigned char>(pad)));
  }
}

TEST(KxaesBase64, Vectors) {
  KX::KXAES aes;
  for (const auto& rec : ReadVectors("crypto/base64.txt")) {
    SCOPED_TRACE(rec.Where());
    const Bytes data = rec.Hex("Data");
    const std::string expected = rec.Text("Base64");
    rec.CheckAllRead();
    std::string out = "previous content";
    EXPECT_EQ(aes.encodeBase64(out, data.data(), static_cast<int>(data.size())), 0);
    EXPECT_EQ(out, expected);
  }
}

TEST(KxaesBase64, Sizes) {
  KX::KXAES aes;
  const unsigned char data[6] = {0xff, 0xfe, 0xfd, 0x00, 0x01, 0x02};
  const std::size_t sizes[] = {0, 4, 4, 4, 8, 8, 8};
  const std::size_t padding[] = {0, 2, 1, 0, 2, 1, 0};
  for (int n = 0; n <= 6; ++n) {
    std::string out;
    aes.encodeBase64(out, data, n);
    EXPECT_EQ(out.size(), sizes[n]) << n;
    EXPECT_EQ(static_cast<std::size_t>(std::count(out.begin(), out.end(), '=')), padding[n]) << n;
  }
  for (int len : {0, -1, -3, -100}) {
    std::string out = "old";
    EXPECT_EQ(aes.encodeBase64(out, data, len), 0);
    EXPECT_EQ(out, "") << len;
  }
}

}  // namespace
