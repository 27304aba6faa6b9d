// Block cipher throughput: this library's engine against OpenSSL's software
// AES (the AES_* block API, table-driven), mbedTLS's software AES (its
// internal block functions, which bypass AES-NI) and OpenSSL's EVP path,
// which uses AES-NI where the CPU has it and serves as the hardware
// reference. Each peer's output is checked against ours before timing.
#include <benchmark/benchmark.h>

#include <cstring>

#include <mbedtls/aes.h>
#include <openssl/aes.h>
#include <openssl/evp.h>

#include "KXAPI/AES.h"
#include "bench_data.h"

namespace {

using kxbench::kBufferBytes;
using kxbench::randomBytes;

constexpr unsigned long kBlocks = kBufferBytes / 16;

struct Workload {
  explicit Workload(int bits)
      : keyBits(bits),
        key(randomBytes(static_cast<std::size_t>(bits) / 8, 1)),
        plain(randomBytes(kBufferBytes, 2)),
        out(kBufferBytes),
        check(kBufferBytes) {}
  int keyBits;
  std::vector<unsigned char> key, plain, out, check;
};

// Our engine's ECB cipher text of the workload, the reference for the peers.
std::vector<unsigned char> oursEcb(const Workload& w) {
  AES aes;
  aes.SetParameters(w.keyBits, 128);
  aes.StartEncryption(w.key.data());
  std::vector<unsigned char> out(kBufferBytes);
  aes.Encrypt(w.plain.data(), out.data(), kBlocks, AES::ECB);
  return out;
}

void finish(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBufferBytes));
}

// --- this library -----------------------------------------------------------

void BM_Ours_EncryptEcb(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES aes;
  aes.SetParameters(w.keyBits, 128);
  aes.StartEncryption(w.key.data());
  for (auto _ : state) {
    aes.Encrypt(w.plain.data(), w.out.data(), kBlocks, AES::ECB);
    benchmark::DoNotOptimize(w.out.data());
  }
  finish(state);
}

void BM_Ours_DecryptEcb(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES aes;
  aes.SetParameters(w.keyBits, 128);
  aes.StartDecryption(w.key.data());
  for (auto _ : state) {
    aes.Decrypt(w.plain.data(), w.out.data(), kBlocks, AES::ECB);
    benchmark::DoNotOptimize(w.out.data());
  }
  finish(state);
}

void BM_Ours_EncryptCbc(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES aes;
  aes.SetParameters(w.keyBits, 128);
  aes.StartEncryption(w.key.data());
  for (auto _ : state) {
    aes.Encrypt(w.plain.data(), w.out.data(), kBlocks, AES::CBC);
    benchmark::DoNotOptimize(w.out.data());
  }
  finish(state);
}

// Rijndael's wide blocks (192 and 256 bits) have no peer to compare with.
void BM_Ours_EncryptEcbWideBlock(benchmark::State& state) {
  const int blockBits = static_cast<int>(state.range(0));
  Workload w(256);
  AES aes;
  aes.SetParameters(256, blockBits);
  aes.StartEncryption(w.key.data());
  const unsigned long blocks = kBufferBytes * 8 / static_cast<unsigned long>(blockBits);
  for (auto _ : state) {
    aes.Encrypt(w.plain.data(), w.out.data(), blocks, AES::ECB);
    benchmark::DoNotOptimize(w.out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(blocks) * blockBits / 8);
}

void BM_Ours_KeySetup(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES aes;
  for (auto _ : state) {
    aes.SetParameters(w.keyBits, 128);
    aes.StartEncryption(w.key.data());
    benchmark::ClobberMemory();
  }
}

void BM_Ours_DecryptKeySetup(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES aes;
  for (auto _ : state) {
    aes.SetParameters(w.keyBits, 128);
    aes.StartDecryption(w.key.data());
    benchmark::ClobberMemory();
  }
}

// --- OpenSSL, software block API ------------------------------------------

void BM_OpenSSL_Soft_EncryptEcb(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES_KEY key;
  AES_set_encrypt_key(w.key.data(), w.keyBits, &key);
  for (unsigned long i = 0; i < kBlocks; ++i)
    AES_encrypt(w.plain.data() + 16 * i, w.check.data() + 16 * i, &key);
  if (w.check != oursEcb(w)) state.SkipWithError("OpenSSL disagrees with our engine");
  for (auto _ : state) {
    for (unsigned long i = 0; i < kBlocks; ++i)
      AES_encrypt(w.plain.data() + 16 * i, w.out.data() + 16 * i, &key);
    benchmark::DoNotOptimize(w.out.data());
  }
  finish(state);
}

void BM_OpenSSL_Soft_DecryptEcb(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES_KEY key;
  AES_set_decrypt_key(w.key.data(), w.keyBits, &key);
  const auto cipher = oursEcb(w);
  for (unsigned long i = 0; i < kBlocks; ++i)
    AES_decrypt(cipher.data() + 16 * i, w.check.data() + 16 * i, &key);
  if (w.check != w.plain) state.SkipWithError("OpenSSL does not invert our engine");
  for (auto _ : state) {
    for (unsigned long i = 0; i < kBlocks; ++i)
      AES_decrypt(w.plain.data() + 16 * i, w.out.data() + 16 * i, &key);
    benchmark::DoNotOptimize(w.out.data());
  }
  finish(state);
}

void BM_OpenSSL_Soft_EncryptCbc(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES_KEY key;
  AES_set_encrypt_key(w.key.data(), w.keyBits, &key);
  for (auto _ : state) {
    unsigned char iv[16] = {};
    AES_cbc_encrypt(w.plain.data(), w.out.data(), kBufferBytes, &key, iv, AES_ENCRYPT);
    benchmark::DoNotOptimize(w.out.data());
  }
  finish(state);
}

void BM_OpenSSL_Soft_KeySetup(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  AES_KEY key;
  for (auto _ : state) {
    AES_set_encrypt_key(w.key.data(), w.keyBits, &key);
    benchmark::ClobberMemory();
  }
}

// --- mbedTLS, software block functions -------------------------------------

void BM_MbedTLS_Soft_EncryptEcb(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  mbedtls_aes_context ctx;
  mbedtls_aes_init(&ctx);
  mbedtls_aes_setkey_enc(&ctx, w.key.data(), static_cast<unsigned>(w.keyBits));
  for (unsigned long i = 0; i < kBlocks; ++i)
    mbedtls_internal_aes_encrypt(&ctx, w.plain.data() + 16 * i, w.check.data() + 16 * i);
  if (w.check != oursEcb(w)) state.SkipWithError("mbedTLS disagrees with our engine");
  for (auto _ : state) {
    for (unsigned long i = 0; i < kBlocks; ++i)
      mbedtls_internal_aes_encrypt(&ctx, w.plain.data() + 16 * i, w.out.data() + 16 * i);
    benchmark::DoNotOptimize(w.out.data());
  }
  mbedtls_aes_free(&ctx);
  finish(state);
}

void BM_MbedTLS_Soft_DecryptEcb(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  mbedtls_aes_context ctx;
  mbedtls_aes_init(&ctx);
  mbedtls_aes_setkey_dec(&ctx, w.key.data(), static_cast<unsigned>(w.keyBits));
  const auto cipher = oursEcb(w);
  for (unsigned long i = 0; i < kBlocks; ++i)
    mbedtls_internal_aes_decrypt(&ctx, cipher.data() + 16 * i, w.check.data() + 16 * i);
  if (w.check != w.plain) state.SkipWithError("mbedTLS does not invert our engine");
  for (auto _ : state) {
    for (unsigned long i = 0; i < kBlocks; ++i)
      mbedtls_internal_aes_decrypt(&ctx, w.plain.data() + 16 * i, w.out.data() + 16 * i);
    benchmark::DoNotOptimize(w.out.data());
  }
  mbedtls_aes_free(&ctx);
  finish(state);
}

// CBC chained by hand over the software block function; mbedTLS's own CBC
// routine would dispatch to AES-NI.
void BM_MbedTLS_Soft_EncryptCbc(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  mbedtls_aes_context ctx;
  mbedtls_aes_init(&ctx);
  mbedtls_aes_setkey_enc(&ctx, w.key.data(), static_cast<unsigned>(w.keyBits));
  for (auto _ : state) {
    unsigned char chain[16] = {};
    for (unsigned long i = 0; i < kBlocks; ++i) {
      for (unsigned long b = 0; b < 16; ++b) chain[b] ^= w.plain[16 * i + b];
      mbedtls_internal_aes_encrypt(&ctx, chain, w.out.data() + 16 * i);
      std::memcpy(chain, w.out.data() + 16 * i, 16);
    }
    benchmark::DoNotOptimize(w.out.data());
  }
  mbedtls_aes_free(&ctx);
  finish(state);
}

// --- OpenSSL EVP: AES-NI where available (hardware reference) ---------------

const EVP_CIPHER* evpEcb(int keyBits) {
  return keyBits == 128   ? EVP_aes_128_ecb()
         : keyBits == 192 ? EVP_aes_192_ecb()
                          : EVP_aes_256_ecb();
}

void BM_OpenSSL_EVP_EncryptEcb(benchmark::State& state) {
  Workload w(static_cast<int>(state.range(0)));
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, evpEcb(w.keyBits), nullptr, w.key.data(), nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  int len = 0;
  EVP_EncryptUpdate(ctx, w.check.data(), &len, w.plain.data(), kBufferBytes);
  if (w.check != oursEcb(w)) state.SkipWithError("OpenSSL EVP disagrees with our engine");
  for (auto _ : state) {
    EVP_EncryptUpdate(ctx, w.out.data(), &len, w.plain.data(), kBufferBytes);
    benchmark::DoNotOptimize(w.out.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  finish(state);
}

#define KX_KEY_SIZES ->Arg(128)->Arg(192)->Arg(256)

BENCHMARK(BM_Ours_EncryptEcb) KX_KEY_SIZES;
BENCHMARK(BM_OpenSSL_Soft_EncryptEcb) KX_KEY_SIZES;
BENCHMARK(BM_MbedTLS_Soft_EncryptEcb) KX_KEY_SIZES;
BENCHMARK(BM_OpenSSL_EVP_EncryptEcb) KX_KEY_SIZES;

BENCHMARK(BM_Ours_DecryptEcb) KX_KEY_SIZES;
BENCHMARK(BM_OpenSSL_Soft_DecryptEcb) KX_KEY_SIZES;
BENCHMARK(BM_MbedTLS_Soft_DecryptEcb) KX_KEY_SIZES;

BENCHMARK(BM_Ours_EncryptCbc) KX_KEY_SIZES;
BENCHMARK(BM_OpenSSL_Soft_EncryptCbc) KX_KEY_SIZES;
BENCHMARK(BM_MbedTLS_Soft_EncryptCbc) KX_KEY_SIZES;

BENCHMARK(BM_Ours_KeySetup) KX_KEY_SIZES;
BENCHMARK(BM_Ours_DecryptKeySetup) KX_KEY_SIZES;
BENCHMARK(BM_OpenSSL_Soft_KeySetup) KX_KEY_SIZES;

BENCHMARK(BM_Ours_EncryptEcbWideBlock)->Arg(192)->Arg(256);

}  // namespace
