// KX::KXAES: a text, padded with PKCS #7 (RFC 5652 6.3) to 16-byte blocks,
// encrypted with AES-128 in ECB mode by the AES engine and kept as Base64.
#include "KXAPI/KXAES.h"

#include <climits>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>

namespace KX {

namespace {
constexpr std::size_t kKeySize = 16;
constexpr std::size_t kBlockSize = 16;
}  // namespace

KXAES::KXAES() : AES(), encryptedData() { std::memset(aesKey, 0xFF, sizeof aesKey); }

KXAES::~KXAES() = default;

int KXAES::startEncryption(const std::string& key) {
  if (key.size() != kKeySize) {
    std::cerr << "Encryption key length is invalid: " << key.size() << ". Has to be " << kKeySize
              << "." << std::endl;
    return 20;
  }
  std::memcpy(aesKey, key.data(), kKeySize);
  SetParameters(128, 128);
  StartEncryption(aesKey);
  return 0;
}

int KXAES::encrypt(const std::string& text) {
  // Without an accepted key the engine has no parameters (Nk == 0) and
  // nothing can be encrypted.
  if (Nk == 0) {
    return 20;
  }
  int padded = 0;
  unsigned char* plain = convertPlainText(text, padded);
  if (plain == nullptr) {
    return 1;
  }
  const std::unique_ptr<unsigned char[]> plainOwner(plain);
  const std::unique_ptr<unsigned char[]> cipher(
      new unsigned char[static_cast<std::size_t>(padded)]);
  Encrypt(plain, cipher.get(), static_cast<unsigned long>(padded) / kBlockSize, ECB);
  return encodeBase64(encryptedData, cipher.get(), padded);
}

std::string& KXAES::getEncryptedData() { return encryptedData; }

unsigned char* KXAES::convertPlainText(const std::string& text, int& paddedLength) {
  const std::size_t length = text.size();
  const std::size_t pad = kBlockSize - length % kBlockSize;  // 1 .. 16
  // A padded length beyond int cannot be reported; such a text is refused
  // like a failed allocation, and the out-parameter is left as it was.
  const bool fits = length <= static_cast<std::size_t>(INT_MAX) - pad;
  unsigned char* padded = nullptr;
  if (fits) {
    paddedLength = static_cast<int>(length + pad);
    padded = new (std::nothrow) unsigned char[length + pad];
  }
  if (padded == nullptr) {
    std::cout << "Converting plain text failed" << std::endl;
    return nullptr;
  }
  std::memcpy(padded, text.data(), length);
  std::memset(padded + length, static_cast<int>(pad), pad);
  return padded;
}

}  // namespace KX
