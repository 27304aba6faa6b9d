// kxutil encrypt: the Base64 of a text's AES-128 ECB cipher text (PKCS #7
// padding), exactly as KX::KXAES computes it.
#include <iostream>
#include <memory>
#include <string>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXStatus.h"
#include "cipher_args.h"
#include "commands.h"

namespace kxutil {

void addEncryptCommand(CLI::App& app, int& status) {
  auto args = std::make_shared<CipherArgs>();
  CLI::App* cmd = app.add_subcommand("encrypt", "Encrypt a text with AES-128 and print its Base64");
  cmd->footer(
      "Pads TEXT with PKCS #7 to 16-byte blocks, encrypts it with AES-128 in "
      "ECB mode\nand prints the Base64 of the cipher text on one line. "
      "Without TEXT, all of\nstandard input is read, bytes as they are (a "
      "trailing newline is part of the text).\nGive the key with exactly one "
      "of --key-hex or --key.\n\nExit status: " +
      std::to_string(KX::KX_STATUS_OK) + "; " + std::to_string(KX::KX_STATUS_INVALID_ARGUMENT) +
      " if the key is not 16 bytes; " + std::to_string(KX::KX_STATUS_NO_MEMORY) +
      " if the text could not be padded.");
  addCipherArgs(*cmd, *args, "TEXT", "the text to encrypt (default: standard input)");

  cmd->callback([args, &status] {
    const std::string key = cipherKey(*args);
    const std::string text = cipherText(*args);
    KX::KXAES aes;
    status = aes.startEncryption(key);
    if (status != KX::KX_STATUS_OK) {
      return;
    }
    status = aes.encrypt(text);
    if (status != KX::KX_STATUS_OK) {
      return;
    }
    std::cout << aes.getEncryptedData() << std::endl;
  });
}

}  // namespace kxutil
