// Any key and block length, any data, either mode: Decrypt under the
// decryption schedule must give back what Encrypt was given, in place or not.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KXAPI/AES.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 + 32) return 0;
  static const int kLengths[3] = {128, 192, 256};
  const int keyBits = kLengths[data[0] % 3];
  const int blockBits = kLengths[(data[0] / 3) % 3];
  const auto mode = (data[0] & 0x80) ? AES::CBC : AES::ECB;
  const unsigned char* key = data + 1;
  data += 33;
  size -= 33;

  const std::size_t blockBytes = static_cast<std::size_t>(blockBits) / 8;
  const unsigned long blocks = static_cast<unsigned long>(size / blockBytes);
  const std::size_t bytes = blocks * blockBytes;
  if (bytes == 0) return 0;
  const std::vector<unsigned char> plain(data, data + bytes);

  AES enc, dec;
  enc.SetParameters(keyBits, blockBits);
  enc.StartEncryption(key);
  dec.SetParameters(keyBits, blockBits);
  dec.StartDecryption(key);

  std::vector<unsigned char> cipher(bytes + 1, 0xA5), back(bytes + 1, 0x5A);
  enc.Encrypt(plain.data(), cipher.data(), blocks, mode);
  dec.Decrypt(cipher.data(), back.data(), blocks, mode);
  if (std::memcmp(back.data(), plain.data(), bytes) != 0) std::abort();
  if (cipher[bytes] != 0xA5 || back[bytes] != 0x5A) std::abort();  // wrote past the end

  std::vector<unsigned char> inPlace(plain);
  enc.Encrypt(inPlace.data(), inPlace.data(), blocks, mode);
  if (std::memcmp(inPlace.data(), cipher.data(), bytes) != 0) std::abort();
  return 0;
}
