// KX::KXAES: a text, padded with PKCS #7 (RFC 5652 6.3) to 16-byte blocks,
// encrypted with AES-128 in ECB mode by the AES engine and kept as Base64.
#include <charconv>
#include <climits>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <string>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"

namespace KX {

namespace {

constexpr std::size_t kKeySize = 16;
constexpr std::size_t kBlockSize = 16;

// Cipher texts up to this size (texts of up to 255 bytes) stay on the stack,
// so a short text costs one allocation, the padded copy, instead of two.
constexpr std::size_t kStackCipherBytes = 256;

// Writes text unformatted to a stream the host owns, so that whatever base,
// width, fill, showpos or locale the host has set changes nothing in it, and
// the stream's settings stay as they were. Nothing is allocated: the messages
// go out also when memory has run out.
void Write(std::ostream& stream, const char* text) {
  stream.write(text, static_cast<std::streamsize>(std::strlen(text)));
}

void Write(std::ostream& stream, std::size_t number) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  stream.write(digits, end - digits);
}

}  // namespace

KXAES::KXAES() : AES(), encryptedData() { std::memset(aesKey, 0xFF, sizeof aesKey); }

KXAES::~KXAES() = default;

int KXAES::startEncryption(const std::string& key) {
  if (key.size() != kKeySize) {
    Write(std::cerr, "Encryption key length is invalid: ");
    Write(std::cerr, key.size());
    Write(std::cerr, ". Has to be ");
    Write(std::cerr, kKeySize);
    Write(std::cerr, ".");
    std::cerr << std::endl;
    return KX_STATUS_INVALID_ARGUMENT;
  }
  std::memcpy(aesKey, key.data(), kKeySize);
  SetParameters(128, 128);
  StartEncryption(aesKey);
  return KX_STATUS_OK;
}

int KXAES::encrypt(const std::string& text) {
  // Without an accepted key the engine has no parameters (Nk == 0) and
  // nothing can be encrypted.
  if (Nk == 0) {
    return KX_STATUS_INVALID_ARGUMENT;
  }
  int padded = 0;
  unsigned char* plain = convertPlainText(text, padded);
  if (plain == nullptr) {
    return KX_STATUS_NO_MEMORY;
  }
  const std::unique_ptr<unsigned char[]> plainOwner(plain);
  const std::size_t size = static_cast<std::size_t>(padded);

  unsigned char stackCipher[kStackCipherBytes];
  std::unique_ptr<unsigned char[]> heapCipher;
  unsigned char* cipher = stackCipher;
  if (size > sizeof stackCipher) {
    heapCipher.reset(new unsigned char[size]);
    cipher = heapCipher.get();
  }
  Encrypt(plain, cipher, size / kBlockSize, ECB);
  // encodeBase64 replaces encryptedData only once the new text exists, so a
  // failure anywhere above or in it leaves the previous result in place.
  return encodeBase64(encryptedData, cipher, padded);
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
    Write(std::cout, "Converting plain text failed");
    std::cout << std::endl;
    return nullptr;
  }
  std::memcpy(padded, text.data(), length);
  std::memset(padded + length, static_cast<int>(pad), pad);
  return padded;
}

}  // namespace KX
