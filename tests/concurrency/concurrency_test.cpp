// The threading rules: every stateless free function may run on any number of threads at
// once, and AES and KX::KXAES objects may be used on many threads (one object per thread)
// once the first one has been constructed. Each call below gives its results as text; threads
// run the calls at once, each in an order of its own, and every result must equal the one of a
// single-threaded run. In the tsan preset ThreadSanitizer also fails the program on any race.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "KXAPI/AES.h"
#include "KXAPI/KXAES.h"
#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStatus.h"
#include "KXAPI/KXStorage.h"
#include "KXAPI/KXStringConversion.h"
#include "KXAPI/KXStringTokenizer.h"
#include "KXPlatform/KXError.h"

using Call = std::function<std::string()>;
using namespace std::string_literals;

namespace {

thread_local std::string t_reports;  // the reports of the calling thread

// Runs the calls rounds times on each of threads threads, each in its own order (thread t
// runs only call t with onePerThread); returns how many results differ from a run on this one.
int wrongResults(const std::vector<Call>& calls, int threads, int rounds, bool onePerThread) {
  std::vector<std::string> expected;
  for (const Call& call : calls) expected.push_back(call());
  std::atomic<int> wrong{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::vector<std::size_t> order;
      for (std::size_t i = 0; i < calls.size(); ++i) {
        if (!onePerThread || i == static_cast<std::size_t>(t)) order.push_back(i);
      }
      std::mt19937 random(static_cast<unsigned>(t));
      for (int r = 0; r < rounds; ++r) {
        std::shuffle(order.begin(), order.end(), random);
        for (std::size_t i : order) wrong += calls[i]() != expected[i];
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  return wrong;
}

std::string mountPath(const std::string& device) {
  std::string path = "unchanged";
  return std::to_string(KX::getMountPath(device, &path)) + path;
}

// Takes the backtraces' lines and drops them; it keeps no state, so threads may share it.
struct Discard : std::streambuf {
  int overflow(int c) override { return c == EOF ? 0 : c; }
} g_discard;

}  // namespace

// This program's definition takes the platform library's place.
void KX::kxPrintError(int code, std::string message) {
  t_reports += std::to_string(code) + " " + message + ";";
}

// First in the file: run on its own (as CTest runs each test), it finds the cipher's tables
// not yet built, and eight threads construct their first objects at the same moment.
TEST(Concurrency, FirstConstructionsRaceOnManyThreads) {
  const std::string key("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f", 16);
  std::vector<std::string> results(8);
  std::atomic<int> waiting{8};
  std::vector<std::thread> workers;
  for (std::string& result : results) {
    workers.emplace_back([&] {
      for (--waiting; waiting.load() > 0;) std::this_thread::yield();  // all start together
      KX::KXAES aes;
      aes.startEncryption(key);
      aes.encrypt("hello");
      result = aes.getEncryptedData();
    });
  }
  for (std::thread& worker : workers) worker.join();
  // AES-128-ECB of "hello" under the key 00 01 ... 0f, Base64 (OpenSSL gives the same).
  for (const std::string& result : results) EXPECT_EQ(result, "XYdJ4q91MbK/ZmHp5drwEg==");
}

TEST(Concurrency, EveryFreeFunctionAndObjectOnManyThreads) {
  std::ofstream("kx_concurrency")
      << "0x1F\n  Version Major=\"01\" Minor=\"07\" BuildNum=\"0815\"\n";
  std::string device;  // the first one in the mount table
  std::ifstream("/proc/mounts") >> device;
  std::vector<Call> calls;
  for (std::string path : {"kx_concurrency", "kx_concurrency_missing"}) {
    calls.push_back([path] {
      t_reports.clear();
      std::string text = "unchanged";
      int number = -7;
      std::string result = std::to_string(KX::readStringFromFile(path, &text)) + text;
      result += std::to_string(KX::readIntegerFromFile(path, &number));
      result += std::to_string(number);
      result += KX::getLineFromFile(path) + KX::retrievePackageVersion(path);
      return result + t_reports;
    });
  }
  calls.push_back([device] {
    std::string sd = "unchanged", usb = "unchanged";
    return std::to_string(KX::getOSBuildDay()) + std::to_string(KX::getOSBuildMonth()) +
           std::to_string(KX::getOSBuildYear()) + mountPath(device) +
           mountPath("/dev/kx-no-such-device") + std::to_string(KX::isAnSDCardMounted(&sd)) + sd +
           std::to_string(KX::isAnUSBStickMounted(&usb)) + usb +
           std::to_string(KX::getDiskSpace(KX::TOTAL_SPACE, "/")) +
           std::to_string(KX::getDiskSpace(KX::FREE_SPACE, "/proc")) +
           std::to_string(KX::getDiskSpace(KX::TOTAL_SPACE, "/kx/no/such/path"));
  });
  calls.push_back([] {
    std::string result;
    for (const std::string& token : KX::KXStringTokenizer::tokenize("a,b;;c, d", ",;")) {
      result += "[" + token + "]";
    }
    const std::wstring wide =
        KX::convertToUtf16("gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC\xF0\x9D\x84\x9E");
    for (wchar_t c : wide) result += std::to_string(static_cast<long>(c)) + ",";
    result += KX::convertToUtf8(wide) +
              KX::convertToUtf8(std::wstring{L'a', static_cast<wchar_t>(0xD800)});
    KX::printBacktrace(3, 1);
    return result + std::to_string(KX::convertToUtf16("\xC0\xAF").size());
  });
  for (const std::string key : {"sixteen byte key", "fifteen bytes!!", "0123456789abcdef"}) {
    for (const std::string& text : {""s, "hello"s, "zero\0inside and a second block"s}) {
      calls.push_back([key, text] {
        KX::KXAES aes;
        const int keyStatus = aes.startEncryption(key);
        return std::to_string(keyStatus) + std::to_string(aes.encrypt(text)) +
               aes.getEncryptedData();
      });
    }
  }
  for (int n = 0; n < 18; ++n) {  // every key and block size, ECB and CBC
    calls.push_back([keyBits = 128 + n % 3 * 64, blockBits = 128 + n / 3 % 3 * 64,
                     mode = AES::BlockMode(n / 9)] {
      unsigned char key[32], plain[96], cipher[96], back[96];
      for (int i = 0; i < 96; ++i) plain[i] = key[i % 32] = static_cast<unsigned char>(i * 7);
      AES aes;
      aes.SetParameters(keyBits, blockBits);
      aes.StartEncryption(key);
      aes.Encrypt(plain, cipher, 3, mode);
      aes.StartDecryption(key);
      aes.Decrypt(cipher, back, 3, mode);
      const auto bytes = static_cast<std::size_t>(3 * blockBits / 8);
      return std::string(cipher, cipher + bytes) + std::string(back, back + bytes);
    });
  }
  std::streambuf* const saved = std::cerr.rdbuf(&g_discard);
  // The results are real answers, not failures.
  const std::string ok = std::to_string(KX::KX_STATUS_OK);
  EXPECT_EQ(calls[0](), ok + "0x1F" + ok + "31" + "0x1F" + "01-07-0815");
  EXPECT_EQ(wrongResults(calls, 8, 40, false), 0);
  std::cerr.rdbuf(saved);
  std::remove("kx_concurrency");
}

// Two threads ask for two devices with different mount points, over and over: each must
// always get its own device's answer.
TEST(Concurrency, TwoThreadsQueryingTwoDevicesGetTheirOwnAnswers) {
  std::vector<Call> calls;
  std::ifstream table("/proc/mounts");
  for (std::string device, rest; calls.size() < 2 && table >> device && getline(table, rest);) {
    if (calls.empty() || calls[0]() != mountPath(device)) {
      calls.push_back([device] { return mountPath(device); });
    }
  }
  ASSERT_EQ(calls.size(), 2u) << "needs two devices with different mount points";
  EXPECT_EQ(wrongResults(calls, 2, 20000, true), 0);
}
