// The text facade end to end (padding, AES-128-ECB, Base64) and its Base64
// encoder against OpenSSL's EVP_EncodeBlock.
#include <benchmark/benchmark.h>

#include <string>

#include <openssl/evp.h>

#include "KXAPI/KXAES.h"
#include "bench_data.h"

namespace {

void BM_Ours_KXAESEncrypt(benchmark::State& state) {
  const auto bytes = kxbench::randomBytes(static_cast<std::size_t>(state.range(0)), 3);
  const std::string text(bytes.begin(), bytes.end());
  KX::KXAES aes;
  aes.startEncryption("0123456789abcdef");
  for (auto _ : state) {
    aes.encrypt(text);
    benchmark::DoNotOptimize(aes.getEncryptedData().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Ours_Base64(benchmark::State& state) {
  const auto data = kxbench::randomBytes(kxbench::kBufferBytes, 4);
  KX::KXAES aes;
  std::string out;
  for (auto _ : state) {
    aes.encodeBase64(out, data.data(), static_cast<int>(data.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data.size());
}

void BM_OpenSSL_Base64(benchmark::State& state) {
  const auto data = kxbench::randomBytes(kxbench::kBufferBytes, 4);
  std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
  KX::KXAES aes;
  std::string ours;
  aes.encodeBase64(ours, data.data(), static_cast<int>(data.size()));
  EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), data.data(),
                  static_cast<int>(data.size()));
  if (out.compare(0, ours.size(), ours) != 0)
    state.SkipWithError("OpenSSL disagrees with our encoder");
  for (auto _ : state) {
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), data.data(),
                    static_cast<int>(data.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data.size());
}

BENCHMARK(BM_Ours_KXAESEncrypt)->Arg(15)->Arg(256)->Arg(4096);
BENCHMARK(BM_Ours_Base64);
BENCHMARK(BM_OpenSSL_Base64);

}  // namespace
