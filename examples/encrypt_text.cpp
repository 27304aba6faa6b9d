// Encrypts a text with KX::KXAES and prints the Base64 of its AES-128-ECB
// cipher text, which `kxutil decrypt --key KEY` reads back.
// Usage: encrypt_text [KEY [TEXT]]; the key must be 16 bytes.
#include <KXAPI/KXAES.h>
#include <KXAPI/KXStatus.h>

#include <iostream>
#include <string>

int main(int argc, char** argv) {
  const std::string key = argc > 1 ? argv[1] : "sixteen byte key";  // raw bytes, used as given
  const std::string text = argc > 2 ? argv[2] : "text to protect";

  KX::KXAES aes;
  // A key of another length is refused: a line on std::cerr, KX_STATUS_INVALID_ARGUMENT.
  if (const int status = aes.startEncryption(key); status != KX::KX_STATUS_OK) return status;
  if (const int status = aes.encrypt(text); status != KX::KX_STATUS_OK) return status;
  std::cout << aes.getEncryptedData() << '\n';
  return 0;
}
