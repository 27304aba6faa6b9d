// Any key and block length, any data, either mode: encrypting in place must
// give the same cipher text as encrypting into another buffer, neither
// Encrypt nor Decrypt may write past the blocks it was asked for, and Decrypt
// under the decryption schedule must give back what Encrypt was given.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KXAPI/AES.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 + 32) return 0;
  const int keyBits = 128 + 64 * (data[0] % 3), blockBits = 128 + 64 * (data[0] / 3 % 3);
  const auto mode = (data[0] & 0x80) ? AES::CBC : AES::ECB;
  const unsigned char* plain = data + 33;  // after the selector byte and the 32 key bytes
  const unsigned long blockBytes = static_cast<unsigned long>(blockBits / 8);
  const unsigned long blocks = (size - 33) / blockBytes, bytes = blocks * blockBytes;
  if (blocks == 0) return 0;

  std::vector<unsigned char> cipher(bytes + 1, 0xA5), back(bytes + 1, 0x5A);
  std::vector<unsigned char> inPlace(plain, plain + bytes);
  AES aes;
  aes.SetParameters(keyBits, blockBits);
  aes.StartEncryption(data + 1);
  aes.Encrypt(plain, cipher.data(), blocks, mode);
  aes.Encrypt(inPlace.data(), inPlace.data(), blocks, mode);
  aes.StartDecryption(data + 1);
  aes.Decrypt(cipher.data(), back.data(), blocks, mode);
  if (std::memcmp(inPlace.data(), cipher.data(), bytes) != 0 || cipher[bytes] != 0xA5) std::abort();
  if (std::memcmp(back.data(), plain, bytes) != 0 || back[bytes] != 0x5A) std::abort();
  return 0;
}
