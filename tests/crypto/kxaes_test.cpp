// KX::KXAES: keys, padding, results and Base64, from the data files.
#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <locale>
#include <memory>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"
#include "vector_file.h"

// Before any key encrypt refuses and changes nothing. Refused key sizes print one exact line
// on std::cerr, are refused as invalid arguments and leave the accepted key in force.
TEST(Kxaes, KeysPaddingAndResults) {
  for (const auto& c : ReadCases("crypto/kxaes.txt")) {
    const Bytes key = Hex(c, 0, 1), bytes = Hex(c, 1, c.size() - 1);
    const std::string text(bytes.begin(), bytes.end());
    KX::KXAES aes;
    EXPECT_EQ(aes.encrypt(text), KX::KX_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(aes.getEncryptedData(), "");
    ASSERT_EQ(aes.startEncryption(std::string(key.begin(), key.end())), KX::KX_STATUS_OK);
    for (std::size_t size : {0u, 1u, 15u, 17u, 24u, 32u}) {
      testing::internal::CaptureStderr();
      EXPECT_EQ(aes.startEncryption(std::string(size, 'k')), KX::KX_STATUS_INVALID_ARGUMENT);
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                "Encryption key length is invalid: " + std::to_string(size) + ". Has to be 16.\n");
    }
    ASSERT_EQ(aes.encrypt(text), KX::KX_STATUS_OK);
    EXPECT_EQ(aes.getEncryptedData(), c.back()) << c[1];

    int padded = -1;
    const std::unique_ptr<unsigned char[]> out(aes.convertPlainText(text, padded));
    const std::size_t pad = 16 - text.size() % 16;
    ASSERT_EQ(padded, static_cast<int>(text.size() + pad)) << c[1];
    EXPECT_EQ(std::string(out.get(), out.get() + padded), text + std::string(pad, char(pad)));
  }
}

// The output replaces what the string held, whether that had another length or the result's
// own. An optional third field is the length passed. The data sit in a buffer of their exact
// size, so that a sanitizer sees any read past the end.
TEST(Kxaes, Base64) {
  KX::KXAES aes;
  for (const auto& c : ReadCases("crypto/base64.txt")) {
    const Bytes bytes = Hex(c, 0, 1);
    const std::unique_ptr<unsigned char[]> data(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    const int len = c.size() > 2 ? std::stoi(c[2]) : static_cast<int>(bytes.size());
    for (std::string out : {std::string("previous content"), std::string(c[1].size(), '#')}) {
      EXPECT_EQ(aes.encodeBase64(out, data.get(), len), KX::KX_STATUS_OK);
      EXPECT_EQ(out, c[1]) << c[0];
    }
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
