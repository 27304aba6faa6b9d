#include "cipher_args.h"

#include <iostream>
#include <iterator>

namespace kxutil {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// Validates an even-length string of hex digits; a wrong key size is reported
// later, with the library's or the command's own message and status.
std::string checkHex(const std::string& hex) {
  if (hex.size() % 2 != 0) {
    return "the key must be an even number of hex digits, got " + std::to_string(hex.size());
  }
  for (char c : hex) {
    if (hexDigit(c) < 0) {
      return "the key may hold only hex digits 0-9, a-f, A-F";
    }
  }
  return {};
}

std::string decodeHex(const std::string& hex) {
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(hexDigit(hex[i]) * 16 + hexDigit(hex[i + 1]));
  }
  return bytes;
}

}  // namespace

void addCipherArgs(CLI::App& command, CipherArgs& args, const std::string& textName,
                   const std::string& textHelp) {
  args.keyHexOption =
      command.add_option("--key-hex", args.keyHex, "the 16-byte key as 32 hex digits")
          ->check(CLI::Validator(checkHex, "HEX", "hex digits"));
  args.keyRawOption =
      command.add_option("--key", args.keyRaw, "the key as 16 raw bytes (characters)");
  args.keyHexOption->excludes(args.keyRawOption);
  args.keyRawOption->excludes(args.keyHexOption);
  args.textOption = command.add_option(textName, args.text, textHelp);
}

std::string cipherKey(const CipherArgs& args) {
  if (args.keyHexOption->count() + args.keyRawOption->count() != 1) {
    throw CLI::RequiredError("exactly one of --key-hex and --key");
  }
  return args.keyHexOption->count() != 0 ? decodeHex(args.keyHex) : args.keyRaw;
}

std::string cipherText(const CipherArgs& args) {
  if (args.textOption->count() != 0) {
    return args.text;
  }
  return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
}

}  // namespace kxutil
