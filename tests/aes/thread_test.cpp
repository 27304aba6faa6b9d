// Several threads construct the first AES objects of the process at once.
// ctest runs every test in a process of its own, so the race is real there.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "KXAPI/AES.h"
#include "aes/aes_internal.h"

namespace {

TEST(AesThreads, FirstConstructionsRace) {
  if (aes_internal::TableBuildCount() != 0) {
    GTEST_SKIP() << "tables already built in this process";
  }
  // FIPS-197 Appendix C.1.
  const unsigned char key[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};
  const unsigned char plain[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                   0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  const unsigned char expected[16] = {0x69, 0xc4, 0xe0, 0xd8, 0x6a, 0x7b, 0x04, 0x30,
                                      0xd8, 0xcd, 0xb7, 0x80, 0x70, 0xb4, 0xc5, 0x5a};
  constexpr int kThreads = 8;
  std::atomic<int> waiting{kThreads};
  std::atomic<int> correct{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&] {
      --waiting;
      while (waiting.load() > 0) {
      }
      AES aes;
      aes.SetParameters(128, 128);
      aes.StartEncryption(key);
      unsigned char out[16];
      aes.EncryptBlock(plain, out);
      if (std::equal(out, out + 16, expected)) ++correct;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(correct.load(), kThreads);
  EXPECT_EQ(aes_internal::TableBuildCount(), 1);
}

}  // namespace
