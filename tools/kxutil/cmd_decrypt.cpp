// kxutil decrypt: the inverse of encrypt, to read back what a device wrote.
// Base64, then AES-128 ECB decryption with the library's engine, then the
// PKCS #7 padding checked and removed.
#include <iostream>
#include <memory>
#include <string>

#include "KXAPI/AES.h"
#include "KXAPI/KXStatus.h"
#include "base64_decode.h"
#include "cipher_args.h"
#include "commands.h"
#include "exit_status.h"

namespace kxutil {

namespace {

constexpr std::size_t kBlock = 16;

struct Failure {
  int status;
  std::string message;
};

// The text inside the padded plain text, or a failure. PKCS #7: the last
// byte p is 1 to 16, and the last p bytes all hold p.
Failure unpad(std::string& plain) {
  const std::size_t pad = static_cast<unsigned char>(plain.back());
  bool valid = pad >= 1 && pad <= kBlock;
  for (std::size_t i = 1; valid && i <= pad; ++i) {
    valid = static_cast<unsigned char>(plain[plain.size() - i]) == pad;
  }
  if (!valid) {
    return {kExitBadPadding,
            "the decrypted text does not end in valid PKCS #7 padding (is it the right key?)"};
  }
  plain.resize(plain.size() - pad);
  return {KX::KX_STATUS_OK, {}};
}

Failure decrypt(const std::string& key, std::string input, std::string& plain) {
  if (key.size() != kBlock) {
    return {KX::KX_STATUS_INVALID_ARGUMENT,
            "the key must be 16 bytes, got " + std::to_string(key.size())};
  }
  if (!input.empty() && input.back() == '\n') {
    input.pop_back();
  }
  std::string cipher;
  const std::string problem = decodeBase64(input, cipher);
  if (!problem.empty()) {
    return {kExitBadBase64, "the input is not Base64: " + problem};
  }
  if (cipher.empty() || cipher.size() % kBlock != 0) {
    return {kExitBadLength, "the cipher text is " + std::to_string(cipher.size()) +
                                " bytes, not a non-zero multiple of 16"};
  }
  AES aes;
  aes.SetParameters(128, 128);
  aes.StartDecryption(reinterpret_cast<const unsigned char*>(key.data()));
  plain.resize(cipher.size());
  aes.Decrypt(reinterpret_cast<const unsigned char*>(cipher.data()),
              reinterpret_cast<unsigned char*>(&plain[0]), cipher.size() / kBlock, AES::ECB);
  return unpad(plain);
}

}  // namespace

void addDecryptCommand(CLI::App& app, int& status) {
  auto args = std::make_shared<CipherArgs>();
  CLI::App* cmd =
      app.add_subcommand("decrypt", "Decrypt the Base64 of an AES-128 cipher text (as encrypt)");
  cmd->footer(
      "The inverse of encrypt: decodes BASE64 (or all of standard input; one trailing\n"
      "line feed is allowed) strictly by RFC 4648, decrypts it with AES-128 in ECB mode,\n"
      "checks and removes the PKCS #7 padding and writes the text to standard output\n"
      "byte for byte, adding nothing. Give the key with exactly one of --key-hex or --key.\n\n"
      "Exit status: " +
      std::to_string(KX::KX_STATUS_OK) + "; " + std::to_string(kExitBadBase64) +
      " the input is not Base64 (only the alphabet, '=' padding, length a\nmultiple of 4); " +
      std::to_string(kExitBadLength) + " the bytes are not a non-zero multiple of 16; " +
      std::to_string(kExitBadPadding) + " the padding\nis wrong, usually a wrong key; " +
      std::to_string(KX::KX_STATUS_INVALID_ARGUMENT) + " the key is not 16 bytes.");
  addCipherArgs(*cmd, *args, "BASE64", "the Base64 text to decrypt (default: standard input)");

  cmd->callback([args, &status] {
    const std::string key = cipherKey(*args);
    std::string plain;
    const Failure failure = decrypt(key, cipherText(*args), plain);
    status = failure.status;
    if (status != KX::KX_STATUS_OK) {
      std::cerr << "kxutil: " << failure.message << "\n";
      return;
    }
    std::cout.write(plain.data(), static_cast<std::streamsize>(plain.size()));
    std::cout.flush();
  });
}

}  // namespace kxutil
