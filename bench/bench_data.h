#ifndef KX_BENCH_DATA_H
#define KX_BENCH_DATA_H

#include <cstddef>
#include <random>
#include <vector>

namespace kxbench {

// Buffer size for throughput runs: 4 KiB, a typical message and well inside
// the L1 cache, so the numbers compare the ciphers and not memory.
constexpr std::size_t kBufferBytes = 4096;

inline std::vector<unsigned char> randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<unsigned char> bytes(n);
  for (auto& b : bytes) b = static_cast<unsigned char>(rng());
  return bytes;
}

}  // namespace kxbench

#endif
