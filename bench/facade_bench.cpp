// The text facade end to end (padding, AES-128-ECB, Base64) against the same
// pipeline built from mbedTLS's software block function, and its Base64
// encoder against OpenSSL's EVP_EncodeBlock. Each peer's output is checked
// against ours before timing.
//
// The BM_SideBySide_* runs time ours and the peer in alternating batches in
// one benchmark, so both see the same machine load; their "ratio" counter is
// our time divided by the peer's (below 1: ours is faster).
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include <mbedtls/aes.h>
#include <openssl/evp.h>

#include "KXAPI/KXAES.h"
#include "bench_data.h"

namespace {

const char kKey[] = "0123456789abcdef";

// A plain Base64 loop (RFC 4648, "=" padding): the string sized once, then
// written in place, one character per alphabet lookup.
void plainBase64(const unsigned char* data, std::size_t n, std::string& out) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out.assign((n + 2) / 3 * 4, '=');
  char* dst = &out[0];
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3, dst += 4) {
    const unsigned v = unsigned{data[i]} << 16 | unsigned{data[i + 1]} << 8 | data[i + 2];
    dst[0] = alphabet[v >> 18];
    dst[1] = alphabet[(v >> 12) & 63];
    dst[2] = alphabet[(v >> 6) & 63];
    dst[3] = alphabet[v & 63];
  }
  if (i < n) {
    const unsigned v = unsigned{data[i]} << 16 | (i + 1 < n ? unsigned{data[i + 1]} << 8 : 0u);
    dst[0] = alphabet[v >> 18];
    dst[1] = alphabet[(v >> 12) & 63];
    if (i + 1 < n) dst[2] = alphabet[(v >> 6) & 63];
  }
}

// The facade's format from mbedTLS's software block function (its internal
// function, which bypasses AES-NI): pad into a buffer, encrypt it block by
// block in place, Base64 into the caller's string.
class MbedTlsTextPipeline {
public:
  MbedTlsTextPipeline() {
    mbedtls_aes_init(&ctx_);
    mbedtls_aes_setkey_enc(&ctx_, reinterpret_cast<const unsigned char*>(kKey), 128);
  }
  ~MbedTlsTextPipeline() { mbedtls_aes_free(&ctx_); }
  MbedTlsTextPipeline(const MbedTlsTextPipeline&) = delete;
  MbedTlsTextPipeline& operator=(const MbedTlsTextPipeline&) = delete;

  void encrypt(const std::string& text, std::string& out) {
    const std::size_t pad = 16 - text.size() % 16;
    std::vector<unsigned char> buffer(text.size() + pad, static_cast<unsigned char>(pad));
    std::copy(text.begin(), text.end(), buffer.begin());
    for (std::size_t i = 0; i < buffer.size(); i += 16)
      mbedtls_internal_aes_encrypt(&ctx_, &buffer[i], &buffer[i]);
    plainBase64(buffer.data(), buffer.size(), out);
  }

private:
  mbedtls_aes_context ctx_;
};

std::string randomText(std::size_t n) {
  const auto bytes = kxbench::randomBytes(n, 3);
  return std::string(bytes.begin(), bytes.end());
}

// The calling thread's CPU time: unlike the wall clock it does not count the
// time the thread waits for a core on a loaded machine.
double threadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Times `ours` and `peer` in alternating batches of `batch` calls, in thread
// CPU time; the benchmark's time is the sum of both, the counters give each
// side's time per call and their ratio.
template <class Ours, class Peer>
void timeSideBySide(benchmark::State& state, int batch, Ours ours, Peer peer) {
  double oursNs = 0, peerNs = 0;
  for (auto _ : state) {
    const double t0 = threadCpuNs();
    for (int i = 0; i < batch; ++i) ours();
    const double t1 = threadCpuNs();
    for (int i = 0; i < batch; ++i) peer();
    const double t2 = threadCpuNs();
    oursNs += t1 - t0;
    peerNs += t2 - t1;
    state.SetIterationTime((t2 - t0) * 1e-9);
  }
  const double calls = static_cast<double>(state.iterations()) * batch;
  state.counters["ours_ns"] = oursNs / calls;
  state.counters["peer_ns"] = peerNs / calls;
  state.counters["ratio"] = oursNs / peerNs;
}

// Batches of about 20 us, so that reading the clock (a system call) costs
// well below 1 %.
int batchFor(std::size_t bytes) { return static_cast<int>(20000 / (bytes + 16) + 1); }

// --- the text facade --------------------------------------------------------

void BM_Ours_KXAESEncrypt(benchmark::State& state) {
  const std::string text = randomText(static_cast<std::size_t>(state.range(0)));
  KX::KXAES aes;
  aes.startEncryption(kKey);
  for (auto _ : state) {
    aes.encrypt(text);
    benchmark::DoNotOptimize(aes.getEncryptedData().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// Both pipelines on one random text of state.range(0) bytes, checked to agree
// before anything is timed.
struct TextRace {
  explicit TextRace(benchmark::State& state)
      : text(randomText(static_cast<std::size_t>(state.range(0)))) {
    aes.startEncryption(kKey);
    aes.encrypt(text);
    peer.encrypt(text, out);
    if (out != aes.getEncryptedData()) state.SkipWithError("mbedTLS pipeline disagrees with ours");
  }
  void ours() {
    aes.encrypt(text);
    benchmark::DoNotOptimize(aes.getEncryptedData().data());
  }
  void theirs() {
    peer.encrypt(text, out);
    benchmark::DoNotOptimize(out.data());
  }

  const std::string text;
  KX::KXAES aes;
  MbedTlsTextPipeline peer;
  std::string out;
};

void BM_MbedTLS_TextPipeline(benchmark::State& state) {
  TextRace race(state);
  for (auto _ : state) race.theirs();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_SideBySide_KXAESEncrypt_vs_MbedTLS(benchmark::State& state) {
  TextRace race(state);
  timeSideBySide(
      state, batchFor(race.text.size()), [&] { race.ours(); }, [&] { race.theirs(); });
}

// --- Base64 -----------------------------------------------------------------

void BM_Ours_Base64(benchmark::State& state) {
  const auto data = kxbench::randomBytes(kxbench::kBufferBytes, 4);
  KX::KXAES aes;
  std::string out;
  for (auto _ : state) {
    aes.encodeBase64(out, data.data(), static_cast<int>(data.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}

void BM_OpenSSL_Base64(benchmark::State& state) {
  const auto data = kxbench::randomBytes(kxbench::kBufferBytes, 4);
  std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
  KX::KXAES aes;
  std::string ours;
  aes.encodeBase64(ours, data.data(), static_cast<int>(data.size()));
  EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), data.data(),
                  static_cast<int>(data.size()));
  if (out != ours + '\0') state.SkipWithError("OpenSSL disagrees with our encoder");
  for (auto _ : state) {
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), data.data(),
                    static_cast<int>(data.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}

void BM_SideBySide_Base64_vs_OpenSSL(benchmark::State& state) {
  const auto data = kxbench::randomBytes(static_cast<std::size_t>(state.range(0)), 4);
  const int len = static_cast<int>(data.size());
  KX::KXAES aes;
  std::string ours, peer(4 * ((data.size() + 2) / 3) + 1, '\0');
  aes.encodeBase64(ours, data.data(), len);
  EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&peer[0]), data.data(), len);
  if (peer != ours + '\0') state.SkipWithError("OpenSSL disagrees with our encoder");
  timeSideBySide(
      state, batchFor(data.size()),
      [&] {
        aes.encodeBase64(ours, data.data(), len);
        benchmark::DoNotOptimize(ours.data());
      },
      [&] {
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&peer[0]), data.data(), len);
        benchmark::DoNotOptimize(peer.data());
      });
}

BENCHMARK(BM_Ours_KXAESEncrypt)->Arg(15)->Arg(1024)->Arg(4096);
BENCHMARK(BM_MbedTLS_TextPipeline)->Arg(15)->Arg(1024)->Arg(4096);
BENCHMARK(BM_SideBySide_KXAESEncrypt_vs_MbedTLS)->Arg(15)->Arg(1024)->Arg(4096)->UseManualTime();
BENCHMARK(BM_Ours_Base64);
BENCHMARK(BM_OpenSSL_Base64);
BENCHMARK(BM_SideBySide_Base64_vs_OpenSSL)->Arg(48)->Arg(4096)->UseManualTime();

}  // namespace
