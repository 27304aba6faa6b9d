// Instruction-count driver for OpenSSL's software AES (its block API, ARM
// assembly in Debian's armel build) and its Base64 encoder.
#include <openssl/aes.h>
#include <openssl/evp.h>

#include "icount_driver.h"

namespace {

int RunBlocks(const icount::Job& job, icount::Inputs& in) {
  AES_KEY key;
  if (job.op == "cbc-enc") {
    AES_set_encrypt_key(in.key, job.keyBits, &key);
    unsigned char warmIv[16] = {}, iv[16] = {};
    AES_cbc_encrypt(in.data, in.out, 16, &key, warmIv, AES_ENCRYPT);
    AES_cbc_encrypt(in.data, in.out, job.bytes(), &key, iv, AES_ENCRYPT);
  } else if (job.op == "ecb-enc") {
    AES_set_encrypt_key(in.key, job.keyBits, &key);
    AES_encrypt(in.data, in.out, &key);
    for (unsigned long i = 0; i < job.count; ++i)
      AES_encrypt(in.data + 16 * i, in.out + 16 * i, &key);
  } else {
    AES_set_decrypt_key(in.key, job.keyBits, &key);
    AES_decrypt(in.data, in.out, &key);
    for (unsigned long i = 0; i < job.count; ++i)
      AES_decrypt(in.data + 16 * i, in.out + 16 * i, &key);
  }
  if (job.print) icount::PrintHex(in.out, job.bytes());
  return 0;
}

// The facade's work with OpenSSL's parts: PKCS #7 padding, ECB, Base64, into
// buffers of the caller.
void EncryptText(const AES_KEY& key, const std::string& text, unsigned char* padded,
                 unsigned char* cipher, unsigned char* base64) {
  const std::size_t pad = 16 - text.size() % 16, total = text.size() + pad;
  std::memcpy(padded, text.data(), text.size());
  std::memset(padded + text.size(), static_cast<int>(pad), pad);
  for (std::size_t i = 0; i < total; i += 16) AES_encrypt(padded + i, cipher + i, &key);
  EVP_EncodeBlock(base64, cipher, static_cast<int>(total));
}

int RunText(const icount::Job& job, const icount::Inputs& in) {
  static unsigned char padded[1040], cipher[1040], base64[1400];
  AES_KEY key;
  AES_set_encrypt_key(in.key, 128, &key);
  EncryptText(key, in.shortText, padded, cipher, base64);  // warm-up
  if (const std::string* text = in.text(job.count)) {
    EncryptText(key, *text, padded, cipher, base64);
    if (job.print) std::printf("%s\n", reinterpret_cast<const char*>(base64));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const icount::Job job = icount::ParseJob(argc, argv);
  icount::Inputs in;
  if (job.op == "text") return RunText(job, in);
  if (job.blockBits != 128) return icount::kUnsupported;
  if (job.op == "ecb-enc" || job.op == "ecb-dec" || job.op == "cbc-enc") return RunBlocks(job, in);
  return icount::kUnsupported;
}
