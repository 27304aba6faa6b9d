// Instruction-count driver for mbed TLS's AES (C tables) and its Base64
// encoder.
#include <mbedtls/aes.h>
#include <mbedtls/base64.h>

#include "icount_driver.h"

namespace {

int RunBlocks(const icount::Job& job, icount::Inputs& in) {
  mbedtls_aes_context ctx;
  mbedtls_aes_init(&ctx);
  const unsigned keyBits = static_cast<unsigned>(job.keyBits);
  if (job.op == "cbc-enc") {
    mbedtls_aes_setkey_enc(&ctx, in.key, keyBits);
    unsigned char warmIv[16] = {}, iv[16] = {};
    mbedtls_aes_crypt_cbc(&ctx, MBEDTLS_AES_ENCRYPT, 16, warmIv, in.data, in.out);
    mbedtls_aes_crypt_cbc(&ctx, MBEDTLS_AES_ENCRYPT, job.bytes(), iv, in.data, in.out);
  } else {
    const int dir = job.op == "ecb-enc" ? MBEDTLS_AES_ENCRYPT : MBEDTLS_AES_DECRYPT;
    dir == MBEDTLS_AES_ENCRYPT ? mbedtls_aes_setkey_enc(&ctx, in.key, keyBits)
                               : mbedtls_aes_setkey_dec(&ctx, in.key, keyBits);
    mbedtls_aes_crypt_ecb(&ctx, dir, in.data, in.out);
    for (unsigned long i = 0; i < job.count; ++i)
      mbedtls_aes_crypt_ecb(&ctx, dir, in.data + 16 * i, in.out + 16 * i);
  }
  mbedtls_aes_free(&ctx);
  if (job.print) icount::PrintHex(in.out, job.bytes());
  return 0;
}

// The facade's work with mbed TLS's parts: PKCS #7 padding, ECB, Base64,
// into buffers of the caller.
void EncryptText(mbedtls_aes_context& ctx, const std::string& text, unsigned char* padded,
                 unsigned char* cipher, unsigned char* base64, std::size_t base64Size) {
  const std::size_t pad = 16 - text.size() % 16, total = text.size() + pad;
  std::memcpy(padded, text.data(), text.size());
  std::memset(padded + text.size(), static_cast<int>(pad), pad);
  for (std::size_t i = 0; i < total; i += 16)
    mbedtls_aes_crypt_ecb(&ctx, MBEDTLS_AES_ENCRYPT, padded + i, cipher + i);
  std::size_t written = 0;
  mbedtls_base64_encode(base64, base64Size, &written, cipher, total);
}

int RunText(const icount::Job& job, const icount::Inputs& in) {
  static unsigned char padded[1040], cipher[1040], base64[1400];
  mbedtls_aes_context ctx;
  mbedtls_aes_init(&ctx);
  mbedtls_aes_setkey_enc(&ctx, in.key, 128);
  EncryptText(ctx, in.shortText, padded, cipher, base64, sizeof base64);  // warm-up
  if (const std::string* text = in.text(job.count)) {
    EncryptText(ctx, *text, padded, cipher, base64, sizeof base64);
    if (job.print) std::printf("%s\n", reinterpret_cast<const char*>(base64));
  }
  mbedtls_aes_free(&ctx);
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
