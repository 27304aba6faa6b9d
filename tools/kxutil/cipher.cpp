// kxutil encrypt and decrypt: texts in the library's format, the Base64 of
// the AES-128 ECB cipher text of the PKCS #7-padded text.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "KXAPI/AES.h"
#include "KXAPI/KXAES.h"
#include "kxutil.h"

namespace kxutil {

namespace {

constexpr std::size_t kBlock = 16;
// RFC 4648, Table 1.
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string hexKeyError(std::size_t digits) {
  return "the key must be 32 hex digits, got " + std::to_string(digits);
}

// The arguments both commands take: the key as --key-hex or --key, and a
// text given as an argument or on standard input.
struct CipherArgs {
  std::string keyHex, keyRaw, text;
  CLI::Option *hexOption = nullptr, *rawOption = nullptr, *textOption = nullptr;

  void add(CLI::App& command, const std::string& textName, const std::string& textHelp) {
    const CLI::Validator hexDigits(
        [](const std::string& hex) -> std::string {
          return hex.find_first_not_of("0123456789abcdefABCDEF") != hex.npos
                     ? "the key may hold only hex digits 0-9, a-f, A-F"
                 : hex.size() % 2 != 0 ? hexKeyError(hex.size())
                                       : "";
        },
        "HEX32");
    hexOption = command.add_option("--key-hex", keyHex, "The 16-byte key as 32 hex digits")
                    ->check(hexDigits);
    rawOption = command.add_option("--key", keyRaw, "The key as 16 raw bytes (characters)");
    hexOption->excludes(rawOption);
    rawOption->excludes(hexOption);
    textOption = command.add_option(textName, text, textHelp);
  }

  // The key bytes, or the failure of a key that is not 16 bytes, found
  // before the library would report it. Without a key it is a usage error.
  Result key(std::string& bytes) const {
    if (hexOption->count() + rawOption->count() != 1) {
      throw CLI::RequiredError("exactly one of --key-hex and --key");
    }
    bytes = hexOption->count() != 0 ? "" : keyRaw;
    for (std::size_t i = 0; hexOption->count() != 0 && i < keyHex.size(); i += 2) {
      bytes += static_cast<char>(std::stoi(keyHex.substr(i, 2), nullptr, 16));
    }
    if (bytes.size() == kBlock) {
      return {};
    }
    return {kInvalidArgument, hexOption->count() != 0 ? hexKeyError(keyHex.size())
                                                      : "the key must be 16 bytes, got " +
                                                            std::to_string(keyRaw.size())};
  }

  // The text argument, or else all of standard input, bytes as they are.
  std::string input() const {
    return textOption->count() != 0 ? text
                                    : std::string(std::istreambuf_iterator<char>(std::cin),
                                                  std::istreambuf_iterator<char>());
  }
};

// Decodes text by RFC 4648, section 4, strictly: only the alphabet, a length
// that is a multiple of 4, "=" only as the final padding, and zero bits after
// the last byte (the one encoding an encoder produces).
Result decodeBase64(const std::string& text, std::string& bytes) {
  const auto bad = [](const std::string& why) {
    return Result{kBadBase64, "the input is not Base64: " + why};
  };
  if (text.size() % 4 != 0) {
    return bad("its length " + std::to_string(text.size()) + " is not a multiple of 4");
  }
  // Up to two "=" end the text; any other "=" is out of place.
  const std::size_t padding =
      std::min<std::size_t>(2, text.size() - 1 - text.find_last_not_of('='));
  unsigned long bits = 0;
  int count = 0;
  for (std::size_t i = 0; i < text.size() - padding; ++i) {
    const char* digit = text[i] == '\0' ? nullptr : std::strchr(kAlphabet, text[i]);
    if (digit == nullptr) {
      const auto byte = static_cast<unsigned char>(text[i]);
      char what[16];  // fits either form, so snprintf's result says nothing
      static_cast<void>(byte > 0x20 && byte < 0x7F
                            ? std::snprintf(what, sizeof what, "'%c'", byte)
                            : std::snprintf(what, sizeof what, "byte 0x%02X", byte));
      const std::string at = " at position " + std::to_string(i + 1);
      return bad(byte == '=' ? "'='" + at + " is not at the end"
                             : "the " + std::string(what) + at + " is not in the Base64 alphabet");
    }
    bits = (bits << 6) | static_cast<unsigned long>(digit - kAlphabet);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  if ((bits & ((1UL << count) - 1)) != 0) {
    return bad("the bits after its last byte are not zero");
  }
  return {};
}

Result decrypt(const std::string& key, std::string input, std::string& plain) {
  if (!input.empty() && input.back() == '\n') {
    input.pop_back();
  }
  std::string cipher;
  Result result = decodeBase64(input, cipher);
  if (result.status != kOk) {
    return result;
  }
  if (cipher.empty() || cipher.size() % kBlock != 0) {
    return {kBadLength, "the cipher text is " + std::to_string(cipher.size()) +
                            " bytes, not a non-zero multiple of 16"};
  }
  AES aes;
  aes.SetParameters(128, 128);
  aes.StartDecryption(reinterpret_cast<const unsigned char*>(key.data()));
  plain.resize(cipher.size());
  aes.Decrypt(reinterpret_cast<const unsigned char*>(cipher.data()),
              reinterpret_cast<unsigned char*>(&plain[0]), cipher.size() / kBlock, AES::ECB);
  // PKCS #7: the last byte p is 1 to 16, and the last p bytes all hold p.
  const std::size_t pad = static_cast<unsigned char>(plain.back());
  const bool valid = pad >= 1 && pad <= kBlock &&
                     plain.find_first_not_of(plain.back(), plain.size() - pad) == plain.npos;
  if (!valid) {
    return {kBadPadding,
            "the decrypted text does not end in valid PKCS #7 padding (is it the right key?)"};
  }
  plain.resize(plain.size() - pad);
  return {};
}

}  // namespace

void addEncryptCommand(CLI::App& app, Result& result) {
  auto args = std::make_shared<CipherArgs>();
  CLI::App* cmd = addCommand(
      app, "encrypt", "Encrypt a text with AES-128 and print its Base64",
      "Pads TEXT with PKCS #7 to 16-byte blocks, encrypts it with AES-128 in ECB mode and prints "
      "the Base64 of the cipher text on one line. Without TEXT, all of standard input is read, "
      "bytes as they are (a trailing line feed is part of the text). Give the key with exactly "
      "one of --key-hex or --key.",
      {kOk, kNoMemory, kInvalidArgument});
  args->add(*cmd, "TEXT", "The text to encrypt (default: standard input)");
  cmd->callback([args, &result] {
    std::string key;
    result = args->key(key);
    KX::KXAES aes;
    if (result.status == kOk && (result.status = aes.startEncryption(key)) == kOk) {
      result.status = aes.encrypt(args->input());
      result.message = result.status == kOk ? "" : "the text could not be padded";
    }
    if (result.status == kOk) {
      std::cout << aes.getEncryptedData() << std::endl;
    }
  });
}

void addDecryptCommand(CLI::App& app, Result& result) {
  auto args = std::make_shared<CipherArgs>();
  CLI::App* cmd = addCommand(
      app, "decrypt", "Decrypt the Base64 text that encrypt prints",
      "The inverse of encrypt: decodes BASE64 (or all of standard input; one trailing line feed "
      "is allowed) strictly by RFC 4648 (only the alphabet, '=' only as final padding, a length "
      "that is a multiple of 4), decrypts it with AES-128 in ECB mode, checks and removes the "
      "PKCS #7 padding and writes the text to standard output byte for byte, adding nothing. "
      "Give the key with exactly one of --key-hex or --key.",
      {kOk, kBadBase64, kBadLength, kBadPadding, kInvalidArgument});
  args->add(*cmd, "BASE64", "The Base64 text to decrypt (default: standard input)");
  cmd->callback([args, &result] {
    std::string key, plain;
    result = args->key(key);
    if (result.status == kOk) {
      result = decrypt(key, args->input(), plain);
    }
    if (result.status == kOk) {
      std::cout.write(plain.data(), static_cast<std::streamsize>(plain.size()));
      std::cout.flush();
    }
  });
}

}  // namespace kxutil
