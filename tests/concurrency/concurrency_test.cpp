// The threading rules: every stateless free function may run on any number of threads at
// once, and KX::KXAES objects may be used on many threads (one object per thread). Threads run
// each call over and over, all at once, and every result must equal the one of a later run on
// the test's own thread. In the tsan preset ThreadSanitizer also fails the program on any race.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <thread>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStorage.h"
#include "KXAPI/KXStringConversion.h"
#include "KXAPI/KXStringTokenizer.h"

using Call = std::function<std::string()>;

namespace {

// Runs each call rounds times on each of threads threads; returns how many results differ.
int wrongResults(const std::vector<Call>& calls, std::size_t threads, std::size_t rounds) {
  std::vector<std::vector<std::string>> results(calls.size() * threads,
                                                std::vector<std::string>(rounds));
  std::vector<std::thread> workers;
  for (std::size_t t = 0; t < results.size(); ++t) {
    workers.emplace_back([&calls, &results, t] {
      for (std::string& result : results[t]) {
        result = calls[t % calls.size()]();
      }
    });
  }
  long right = 0;
  for (std::size_t t = 0; t < results.size(); ++t) {
    workers[t].join();
    right += std::count(results[t].begin(), results[t].end(), calls[t % calls.size()]());
  }
  return static_cast<int>(static_cast<long>(results.size() * rounds) - right);
}

std::string mountPath(const std::string& device) {
  std::string path;
  return std::to_string(KX::getMountPath(device, &path)) + path;
}

}  // namespace

// The first call runs on the threads: the cipher's tables are built while they race.
TEST(Concurrency, FunctionsAndObjectsOnManyThreads) {
  std::ofstream("kx_concurrency")
      << "0x1F\n  Version Major=\"01\" Minor=\"07\" BuildNum=\"0815\"\n";
  const std::vector<Call> calls = {
      [] {
        KX::KXAES aes;
        aes.startEncryption("sixteen byte key");
        aes.encrypt("a text of more than one block");
        return aes.getEncryptedData();
      },
      [] {
        std::string text;
        KX::readStringFromFile("kx_concurrency", &text);
        return text + KX::retrievePackageVersion("kx_concurrency");
      },
      [] {
        const auto tokens = KX::KXStringTokenizer::tokenize("a,b;;c, d", ",;");
        return tokens.at(3) + KX::convertToUtf8(KX::convertToUtf16("grüße €𝄞"));
      },
  };
  EXPECT_EQ(wrongResults(calls, 4, 50), 0);
  static_cast<void>(std::remove("kx_concurrency"));
}

// Two threads ask for two devices with different mount points, over and over: each must
// always get its own device's answer, though the mount table is read line by line.
TEST(Concurrency, TwoDevicesOnTwoThreads) {
  std::vector<Call> calls;
  std::ifstream table("/proc/mounts");
  for (std::string device, rest; calls.size() < 2 && table >> device && getline(table, rest);) {
    if (calls.empty() || calls[0]() != mountPath(device)) {
      calls.emplace_back([device] { return mountPath(device); });
    }
  }
  if (calls.size() < 2) {
    GTEST_SKIP() << "needs two devices with different mount points in /proc/mounts";
  }
  EXPECT_EQ(wrongResults(calls, 1, 20000), 0);
}
