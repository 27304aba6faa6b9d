// KX::KXAES: known answers, the padding, refused keys and the Base64 encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <locale>
#include <memory>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"
#include "test_file.h"

using KX::KX_STATUS_INVALID_ARGUMENT;
using KX::KX_STATUS_OK;
using kxtest::Bytes;

namespace {

std::string asText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

// Each text gives its known Base64, and convertPlainText gives it with PKCS #7 padding: 1 to 16
// bytes, each holding the count.
TEST(Kxaes, Vectors) {
  kxtest::TestFile::forEach("crypto/kxaes.txt", [](kxtest::Record& v) {
    const std::string text = asText(v.bytes("Plaintext"));
    KX::KXAES aes;
    ASSERT_EQ(aes.startEncryption(asText(v.bytes("Key"))), KX_STATUS_OK);
    ASSERT_EQ(aes.encrypt(text), KX_STATUS_OK);
    EXPECT_EQ(aes.getEncryptedData(), v.text("Base64"));

    int padded = -1;
    const std::unique_ptr<unsigned char[]> out(aes.convertPlainText(text, padded));
    const std::size_t pad = 16 - text.size() % 16;
    ASSERT_EQ(padded, static_cast<int>(text.size() + pad));
    EXPECT_EQ(std::string(out.get(), out.get() + padded), text + std::string(pad, char(pad)));
  });
}

// Before any key encrypt refuses and leaves the result empty. A key of another size prints one
// exact line on std::cerr, is refused, and leaves the accepted key in force.
TEST(Kxaes, RefusedKeys) {
  const std::string key = "sixteen byte key";
  KX::KXAES reference;
  ASSERT_EQ(reference.startEncryption(key), KX_STATUS_OK);
  ASSERT_EQ(reference.encrypt("hello"), KX_STATUS_OK);

  KX::KXAES aes;
  EXPECT_EQ(aes.encrypt("hello"), KX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(aes.getEncryptedData(), "");
  ASSERT_EQ(aes.startEncryption(key), KX_STATUS_OK);
  for (const std::size_t size : {0u, 1u, 15u, 17u, 24u, 32u}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(aes.startEncryption(std::string(size, 'k')), KX_STATUS_INVALID_ARGUMENT) << size;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Encryption key length is invalid: " + std::to_string(size) + ". Has to be 16.\n");
  }
  ASSERT_EQ(aes.encrypt("hello"), KX_STATUS_OK);
  EXPECT_EQ(aes.getEncryptedData(), reference.getEncryptedData());
}

// RFC 4648's vectors, then each 6-bit value at each
// place of a group, the sizes 4 * ceil(n / 3) for n = 0 to 6, and lengths of 0 or below.
TEST(Kxaes, Base64) {
  KX::KXAES aes;
  // The data sit in a buffer of their exact size, so that a sanitizer sees any read past the
  // end. The output replaces what the string held, whether that had another length or the
  // result's own.
  const auto check = [&aes](const Bytes& bytes, int length, const std::string& expected) {
    const std::unique_ptr<unsigned char[]> data(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    for (std::string out : {std::string("previous content"), std::string(expected.size(), '#')}) {
      EXPECT_EQ(aes.encodeBase64(out, data.get(), length), KX_STATUS_OK);
      EXPECT_EQ(out, expected);
    }
  };
  kxtest::TestFile::forEach("crypto/base64.txt", [&check](kxtest::Record& v) {
    const Bytes data = v.bytes("Data");
    check(data, static_cast<int>(data.size()), v.text("Base64"));
  });

  // clang-format off
  const struct {
    const char* name; const char* hex; const char* base64;
  } rows[] = {
      {"zero, one byte", "00", "AA=="},
      {"ones, one byte", "ff", "/w=="},
      {"zeros, two bytes", "0000", "AAA="},
      {"ones, two bytes", "ffff", "//8="},
      {"zeros, three bytes", "000000", "AAAA"},
      {"ones, three bytes", "ffffff", "////"},
      {"62 63 in the first two places", "fbff", "+/8="},
      {"low bits of a lone byte", "bf", "vw=="},
      {"62 in every place", "fbefbe", "++++"},
      {"the whole alphabet in order",
       "00108310518720928b30d38f41149351559761969b71d79f8218a39259a7a29aabb2dbafc31cb3d35db7e39ebbf3dfbf",
       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"},
      {"0 bytes", "", ""},
      {"1 byte", "ff", "/w=="},
      {"2 bytes", "fffe", "//4="},
      {"3 bytes", "fffefd", "//79"},
      {"4 bytes", "fffefd00", "//79AA=="},
      {"5 bytes", "fffefd0001", "//79AAE="},
      {"6 bytes", "fffefd000102", "//79AAEC"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes data = kxtest::fromHex(row.hex);
    check(data, static_cast<int>(data.size()), row.base64);
  }
  for (const int length : {0, -1, -100}) {
    SCOPED_TRACE(length);
    check(Bytes{0x00}, length, "");
  }
}

// Whatever the host has set on std::cerr, the key-length line prints its numbers in decimal with
// nothing around them, and the stream's settings are as the host left them.
TEST(Kxaes, KeyLengthLineWhateverTheStreamState) {
  struct DotGrouping : std::numpunct<char> {
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\1"; }
  };
  const struct {
    const char* name;
    void (*set)(std::ostream&);
  } states[] = {
      {"hex", [](std::ostream& s) { s << std::hex; }},
      {"oct, showbase", [](std::ostream& s) { s << std::oct << std::showbase; }},
      {"hex, uppercase, showbase",
       [](std::ostream& s) { s << std::hex << std::uppercase << std::showbase; }},
      {"showpos", [](std::ostream& s) { s << std::showpos; }},
      {"width 12, fill *", [](std::ostream& s) { s << std::setw(12) << std::setfill('*'); }},
      {"left, width 40", [](std::ostream& s) { s << std::left << std::setw(40); }},
      {"internal, showpos, width 8",
       [](std::ostream& s) { s << std::internal << std::showpos << std::setw(8); }},
      {"grouping locale",
       [](std::ostream& s) { s.imbue(std::locale(s.getloc(), new DotGrouping)); }},
  };
  KX::KXAES aes;
  std::ios host(nullptr);
  host.copyfmt(std::cerr);
  for (const auto& state : states) {
    state.set(std::cerr);
    const std::ios::fmtflags flags = std::cerr.flags();
    const std::streamsize width = std::cerr.width();
    const char fill = std::cerr.fill();
    const std::locale locale = std::cerr.getloc();
    for (const std::size_t size : {26u, 1234u}) {
      testing::internal::CaptureStderr();
      EXPECT_EQ(aes.startEncryption(std::string(size, 'k')), KX::KX_STATUS_INVALID_ARGUMENT);
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                "Encryption key length is invalid: " + std::to_string(size) + ". Has to be 16.\n")
          << state.name;
    }
    EXPECT_EQ(std::cerr.flags(), flags) << state.name;
    EXPECT_EQ(std::cerr.width(), width) << state.name;
    EXPECT_EQ(std::cerr.fill(), fill) << state.name;
    EXPECT_TRUE(std::cerr.getloc() == locale) << state.name;
    std::cerr.copyfmt(host);
  }
}
