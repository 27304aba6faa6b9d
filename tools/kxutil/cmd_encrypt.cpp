// kxutil encrypt: the Base64 of a text's AES-128 ECB cipher text (PKCS #7
// padding), exactly as KX::KXAES computes it.
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include "KXAPI/KXAES.h"
#include "commands.h"

namespace kxutil {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Validates an even-length string of hex digits; its length is left to the
// library, which reports a wrong key size with its own message and status.
std::string CheckHex(const std::string& hex) {
  if (hex.size() % 2 != 0) {
    return "the key must be an even number of hex digits, got " + std::to_string(hex.size());
  }
  for (char c : hex) {
    if (HexDigit(c) < 0) {
      return "the key may hold only hex digits 0-9, a-f, A-F";
    }
  }
  return {};
}

std::string DecodeHex(const std::string& hex) {
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
  }
  return bytes;
}

struct EncryptArgs {
  std::string keyHex;
  std::string keyRaw;
  std::string text;
};

}  // namespace

void addEncryptCommand(CLI::App& app, int& status) {
  auto args = std::make_shared<EncryptArgs>();
  CLI::App* cmd = app.add_subcommand("encrypt", "Encrypt a text with AES-128 and print its Base64");
  cmd->footer(
      "Pads TEXT with PKCS #7 to 16-byte blocks, encrypts it with AES-128 in "
      "ECB mode\nand prints the Base64 of the cipher text on one line. "
      "Without TEXT, all of\nstandard input is read, bytes as they are (a "
      "trailing newline is part of the text).\nGive the key with exactly one "
      "of --key-hex or --key.\n\nExit status: 0, or the library's status "
      "(20: the key is not 16 bytes).");

  CLI::Option* hex = cmd->add_option("--key-hex", args->keyHex, "the 16-byte key as 32 hex digits")
                         ->check(CLI::Validator(CheckHex, "HEX", "hex digits"));
  CLI::Option* raw = cmd->add_option("--key", args->keyRaw, "the key as 16 raw bytes (characters)");
  hex->excludes(raw);
  raw->excludes(hex);
  CLI::Option* text =
      cmd->add_option("TEXT", args->text, "the text to encrypt (default: standard input)");

  cmd->callback([args, hex, raw, text, &status] {
    if (hex->count() + raw->count() != 1) {
      throw CLI::RequiredError("exactly one of --key-hex and --key");
    }
    const std::string key = hex->count() != 0 ? DecodeHex(args->keyHex) : args->keyRaw;
    std::string input = args->text;
    if (text->count() == 0) {
      input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    }
    KX::KXAES aes;
    status = aes.startEncryption(key);
    if (status != 0) {
      return;
    }
    status = aes.encrypt(input);
    if (status != 0) {
      return;
    }
    std::cout << aes.getEncryptedData() << std::endl;
  });
}

}  // namespace kxutil
