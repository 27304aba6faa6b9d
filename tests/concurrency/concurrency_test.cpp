// The threading rules: the free functions may run on any number of threads at once, and
// KX::KXAES objects may be used on many threads (one object per thread). Eight threads run the
// calls that touch shared tables or buffers over and over, all at once, and every result must
// equal the one of a later run on the test's own thread. In the tsan preset ThreadSanitizer
// also fails the program on any race.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStorage.h"

// The first calls run on the threads: the cipher's tables are built while they race. Devices
// with different mount points are looked up at once, each always to its own answer, though
// the table is read line by line.
TEST(Concurrency, FunctionsAndObjectsOnManyThreads) {
  std::vector<std::string> devices(4);  // the first of the machine's mount table
  std::ifstream table("/proc/mounts");
  for (std::string& device : devices) {
    table >> device;
    table.ignore(4096, '\n');
  }
  const auto calls = [&devices] {
    KX::KXAES aes;
    aes.startEncryption("sixteen byte key");
    aes.encrypt("a text of more than one block");
    std::string result = aes.getEncryptedData() + KX::retrievePackageVersion("/proc/version");
    for (const std::string& device : devices) {
      std::string path;
      result += std::to_string(KX::getMountPath(device, &path)) + path;
    }
    return result;
  };
  std::vector<std::string> results(8);
  std::vector<std::thread> threads;
  threads.reserve(results.size());
  for (std::string& result : results) {
    threads.emplace_back([&calls, &result] {
      for (int round = 0; round < 200; ++round) {
        const std::string now = calls();
        result = round == 0 || now == result ? now : "a result changed";
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(results, std::vector<std::string>(8, calls()));
}
