#ifndef KXUTIL_CIPHER_ARGS_H
#define KXUTIL_CIPHER_ARGS_H

#include <CLI/CLI.hpp>
#include <string>

namespace kxutil {

// The arguments that encrypt and decrypt share: the 16-byte key, given as
// --key-hex HEX32 or --key KEY16, and a text given as an argument or on
// standard input.
struct CipherArgs {
  std::string keyHex;
  std::string keyRaw;
  std::string text;
  CLI::Option* keyHexOption = nullptr;
  CLI::Option* keyRawOption = nullptr;
  CLI::Option* textOption = nullptr;
};

// Adds --key-hex, --key and the positional text to command.
void addCipherArgs(CLI::App& command, CipherArgs& args, const std::string& textName,
                   const std::string& textHelp);

// The key bytes. Throws CLI::RequiredError unless exactly one of --key-hex and
// --key was given. The length is left to the caller.
std::string cipherKey(const CipherArgs& args);

// The text argument, or without it all of standard input, bytes as they are.
std::string cipherText(const CipherArgs& args);

}  // namespace kxutil

#endif
