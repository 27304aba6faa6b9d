// The threading rules: every stateless free function may run on any number of threads at
// once, and KX::KXAES objects may be used on many threads (one object per thread). Threads run
// each call over and over, all at once, and every result must equal the one of a later run on
// the test's own thread. In the tsan preset ThreadSanitizer also fails the program on any race.
#include <gtest/gtest.h>

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

// Runs each call 200 times on each of four threads; returns how many results differ from the
// call's result on this thread.
int wrongResults(const std::vector<Call>& calls) {
  std::vector<std::string> results(calls.size() * 4 * 200);
  std::vector<std::thread> workers;
  for (std::size_t t = 0; t < calls.size() * 4; ++t) {
    workers.emplace_back([&calls, &results, t] {
      for (std::size_t r = t * 200; r < t * 200 + 200; ++r) {
        results[r] = calls[t / 4]();
      }
    });
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  int wrong = 0;
  for (std::size_t r = 0; r < results.size(); ++r) {
    wrong += results[r] == calls[r / 800]() ? 0 : 1;
  }
  return wrong;
}

std::string mountPath(const std::string& device) {
  std::string path;
  return std::to_string(KX::getMountPath(device, &path)) + path;
}

}  // namespace

// The first call runs on the threads: the cipher's tables are built while they race. Two
// devices with different mount points (where the machine has them) are looked up at once, each
// always to its own answer, though the mount table is read line by line.
TEST(Concurrency, FunctionsAndObjectsOnManyThreads) {
  std::ofstream("kx_concurrency")
      << "0x1F\n  Version Major=\"01\" Minor=\"07\" BuildNum=\"0815\"\n";
  std::vector<Call> calls = {
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
  std::ifstream table("/proc/mounts");
  for (std::string device, rest, first; calls.size() < 5 && table >> device >> rest;) {
    if (first != rest) {
      first = rest;
      calls.emplace_back([device] { return mountPath(device); });
    }
    std::getline(table, rest);
  }
  EXPECT_EQ(wrongResults(calls), 0);
  static_cast<void>(std::remove("kx_concurrency"));
}
