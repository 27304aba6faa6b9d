// KX::KXAES: known answers, the padding, refused keys and the Base64 encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <locale>
#include <memory>
#include <sstream>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"
#include "test_file.h"

using KX::KX_STATUS_INVALID_ARGUMENT;
using KX::KX_STATUS_OK;
using kxtest::Bytes;

// Each text gives its known Base64, and convertPlainText gives it with PKCS #7 padding: 1 to 16
// bytes, each holding the count.
TEST(Kxaes, Vectors) {
  kxtest::TestFile::forEach("crypto/kxaes.txt", [](kxtest::Record& v) {
    const Bytes key = v.bytes("Key"), plain = v.bytes("Plaintext");
    const std::string text(plain.begin(), plain.end());
    KX::KXAES aes;
    ASSERT_EQ(aes.startEncryption(std::string(key.begin(), key.end())), KX_STATUS_OK);
    ASSERT_EQ(aes.encrypt(text), KX_STATUS_OK);
    EXPECT_EQ(aes.getEncryptedData(), v.text("Base64"));
    int padded = -1;
    const std::unique_ptr<unsigned char[]> out(aes.convertPlainText(text, padded));
    const std::size_t pad = 16 - text.size() % 16;
    ASSERT_EQ(padded, static_cast<int>(text.size() + pad));
    EXPECT_EQ(std::string(out.get(), out.get() + padded), text + std::string(pad, char(pad)));
  });
}

// The data sit in a buffer of their exact size, so that a sanitizer sees any read past the end.
// The output replaces what the string held, whether that had another length or the result's.
TEST(Kxaes, Base64) {
  KX::KXAES aes;
  kxtest::TestFile::forEach("crypto/base64.txt", [&aes](kxtest::Record& v) {
    const Bytes bytes = v.bytes("Data");
    const int length = v.has("Length") ? int(v.number("Length")) : int(bytes.size());
    const std::string expected = v.text("Base64");
    const std::unique_ptr<unsigned char[]> data(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    for (std::string out : {std::string("previous content"), std::string(expected.size(), '#')}) {
      EXPECT_EQ(aes.encodeBase64(out, data.get(), length), KX_STATUS_OK);
      EXPECT_EQ(out, expected);
    }
  });
}

// Before any key encrypt refuses and leaves the result empty. A key of another size prints one
// exact line on std::cerr, in decimal with nothing around it whatever the host has set on the
// stream, leaves the stream's settings as they were, is refused, and keeps the accepted key.
TEST(Kxaes, RefusedKeys) {
  struct DotGrouping : std::numpunct<char> {
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\1"; }
  };
  void (*const states[])(std::ostream&) = {
      [](std::ostream&) {},
      [](std::ostream& s) {
        s << std::hex << std::uppercase << std::showbase << std::showpos << std::internal
          << std::setw(8) << std::setfill('*');
      },
      [](std::ostream& s) { s << std::oct << std::left << std::setw(40); },
      [](std::ostream& s) { s.imbue(std::locale(s.getloc(), new DotGrouping)); },
  };
  const std::string key = "sixteen byte key";
  KX::KXAES reference, aes;
  ASSERT_EQ(reference.startEncryption(key), KX_STATUS_OK);
  ASSERT_EQ(reference.encrypt("hello"), KX_STATUS_OK);
  EXPECT_EQ(aes.encrypt("hello"), KX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(aes.getEncryptedData(), "");
  ASSERT_EQ(aes.startEncryption(key), KX_STATUS_OK);
  std::ios host(nullptr);
  host.copyfmt(std::cerr);
  for (const auto set : states) {
    set(std::cerr);
    std::ostringstream before, after;  // each prints a number as std::cerr's settings say
    before.copyfmt(std::cerr);
    for (const std::size_t size : {0u, 1u, 15u, 17u, 24u, 32u, 1234u}) {
      testing::internal::CaptureStderr();
      EXPECT_EQ(aes.startEncryption(std::string(size, 'k')), KX_STATUS_INVALID_ARGUMENT) << size;
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                "Encryption key length is invalid: " + std::to_string(size) + ". Has to be 16.\n");
    }
    after.copyfmt(std::cerr);
    before << -1234567 << 89;
    after << -1234567 << 89;
    EXPECT_EQ(after.str(), before.str());
    std::cerr.copyfmt(host);
  }
  ASSERT_EQ(aes.encrypt("hello"), KX_STATUS_OK);
  EXPECT_EQ(aes.getEncryptedData(), reference.getEncryptedData());
}
