// The threading rules: every stateless free function may run on any number of threads at
// once, and AES and KX::KXAES objects may be used on many threads (one object per thread)
// once the first one has been constructed. Each call below gives its results as text; a
// single-threaded run gives the expected texts, then several threads run every call at once,
// each in an order of its own, and every result must equal the expected one. In the tsan
// preset ThreadSanitizer also fails the program on any data race.
#include <gtest/gtest.h>
#include <mntent.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <stdexcept>
#include <streambuf>
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

namespace {

// The reports of the calling thread since its last look.
thread_local std::string t_reports;

// Counts the lines written to std::cerr (key refusals, backtraces) from any thread.
class LineCounter : public std::streambuf {
public:
  long lines() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

protected:
  int overflow(int c) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    lines_ += c == '\n';
    return c == EOF ? 0 : c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    lines_ += std::count(s, s + n, '\n');
    return n;
  }

private:
  std::mutex mutex_;
  long lines_ = 0;
};

struct Call {
  std::string name;
  std::function<std::string()> run;
  long lines = 0;  // written to std::cerr by one run
};

std::string hex(const unsigned char* data, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += {digits[data[i] >> 4], digits[data[i] & 15]};
  return out;
}

// The scratch files written, in the working directory; removed by the test that wrote them.
std::vector<std::string> g_scratchFiles;

std::string writeFile(const std::string& name, const std::string& content) {
  std::ofstream(name, std::ios::binary) << content;
  g_scratchFiles.push_back(name);
  return name;
}

// The devices of this machine's mount table, each once.
std::vector<std::string> mountedDevices() {
  std::vector<std::string> devices;
  FILE* table = setmntent("/proc/mounts", "r");
  while (const mntent* entry = table != nullptr ? getmntent(table) : nullptr) {
    if (std::find(devices.begin(), devices.end(), entry->mnt_fsname) == devices.end()) {
      devices.push_back(entry->mnt_fsname);
    }
  }
  if (table != nullptr) endmntent(table);
  return devices;
}

std::vector<Call> freeFunctionCalls() {
  std::vector<Call> calls;
  const auto add = [&calls](std::string name, std::function<std::string()> run) {
    calls.push_back({std::move(name), std::move(run)});
  };

  for (const char* content : {"0x1F\n7\n", " -42 apples", "99999999999\n", "010", ""}) {
    const std::string path = writeFile("kx_concurrency_" + std::to_string(calls.size()), content);
    add("readers " + path, [path] {
      std::string text = "unchanged";
      int number = -7;
      const int s1 = KX::readStringFromFile(path, &text);
      const int s2 = KX::readIntegerFromFile(path, &number);
      return std::to_string(s1) + text + std::to_string(s2) + ":" + std::to_string(number) +
             KX::getLineFromFile(path);
    });
  }
  add("readers, missing file", [] {
    std::string text = "unchanged";
    int number = -7;
    t_reports.clear();
    const int s1 = KX::readStringFromFile("kx_concurrency_missing", &text);
    const int s2 = KX::readIntegerFromFile("kx_concurrency_missing", &number);
    return std::to_string(s1) + text + std::to_string(s2) + std::to_string(number) + t_reports +
           KX::getLineFromFile("kx_concurrency_missing");
  });

  const std::string marker = "Version Major=\"";
  const std::vector<std::pair<std::string, std::string>> versions{
      {"kx_concurrency_version", "x\n  " + marker + "01\" Minor=\"07\" Build=\"0815\"\n"},
      {"kx_concurrency_short", marker + "01\" Minor=\"07\"\n"},
      {"kx_concurrency_none", "no marker\n"},
      {"kx_concurrency_missing", "MISSING"}};
  for (const auto& [name, content] : versions) {
    const std::string path = content == "MISSING" ? name : writeFile(name, content);
    add("version " + path, [path] {
      t_reports.clear();
      std::string version;
      try {
        version = KX::retrievePackageVersion(path);
      } catch (const std::out_of_range&) {
        version = "out_of_range";
      }
      return version + t_reports;
    });
  }

  add("build date", [] {
    return std::to_string(KX::getOSBuildDay()) + "." + std::to_string(KX::getOSBuildMonth()) + "." +
           std::to_string(KX::getOSBuildYear());
  });

  std::vector<std::string> devices = mountedDevices();
  devices.resize(std::min<std::size_t>(devices.size(), 8));
  devices.push_back("/dev/kx-no-such-device");
  for (const std::string& device : devices) {
    add("mount " + device, [device] {
      std::string mountPath = "unchanged";
      const int status = KX::getMountPath(device, &mountPath);
      return std::to_string(status) + mountPath;
    });
  }
  add("removable media", [] {
    std::string sd = "unchanged", usb = "unchanged";
    return std::to_string(KX::isAnSDCardMounted(&sd)) + sd +
           std::to_string(KX::isAnUSBStickMounted(&usb)) + usb +
           std::to_string(KX::isAnSDCardMounted());
  });
  // Figures that do not change while the test runs: sizes, and the empty /proc.
  add("disk space", [] {
    return std::to_string(KX::getDiskSpace(KX::TOTAL_SPACE, "/")) + " " +
           std::to_string(KX::getDiskSpace(KX::TOTAL_SPACE, ".")) + " " +
           std::to_string(KX::getDiskSpace(KX::FREE_SPACE, "/proc")) + " " +
           std::to_string(KX::getDiskSpace(KX::USED_SPACE, "/proc")) + " " +
           std::to_string(KX::getDiskSpace(KX::TOTAL_SPACE, "/kx/no/such/path")) + " " +
           std::to_string(KX::getDiskSpace(static_cast<KX::StorageInfo>(3), "/"));
  });

  const std::vector<std::pair<std::string, std::string>> splits{
      {"Linux version 6.1 #1 SMP Tue Mar  8 10:11:12 CET 2011", " "},
      {"a,b;;c,", ",;"},
      {"", ","},
      {"no delimiter here", "|"}};
  for (const auto& [text, delimiters] : splits) {
    add("tokenize " + text, [text = text, delimiters = delimiters] {
      std::string joined;
      for (const std::string& token : KX::KXStringTokenizer::tokenize(text, delimiters)) {
        joined += "[" + token + "]";
      }
      return joined;
    });
  }

  for (const std::string& utf8 :
       {std::string("gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC\xF0\x9D\x84\x9E"), std::string("\xC0\xAF"),
        std::string("plain")}) {
    add("to wide " + utf8, [utf8] {
      const std::wstring wide = KX::convertToUtf16(utf8);
      std::string codes;
      for (wchar_t c : wide) codes += std::to_string(static_cast<long>(c)) + ",";
      return codes + KX::convertToUtf8(wide);
    });
  }
  add("to narrow, surrogate", [] {
    return std::to_string(
        KX::convertToUtf8(std::wstring{L'a', static_cast<wchar_t>(0xD800)}).size());
  });

  // Frames beyond the first four always exist, so every thread prints five lines.
  add("backtrace", [] {
    KX::printBacktrace(3, 1);
    return std::string();
  });
  return calls;
}

// KX::KXAES and AES objects, a new one in each call.
std::vector<Call> objectCalls() {
  std::vector<Call> calls;
  const std::vector<std::string> keys{"sixteen byte key", std::string(16, '\0'), "0123456789abcdef",
                                      "fifteen bytes!!"};
  const std::vector<std::string> texts{"", "hello", std::string(100, 'x'),
                                       std::string("zero\0inside", 11)};
  for (const std::string& key : keys) {
    for (const std::string& text : texts) {
      calls.push_back({"KXAES " + key + " " + text, [key, text] {
                         KX::KXAES aes;
                         const int keyStatus = aes.startEncryption(key);
                         const int status = aes.encrypt(text);
                         std::string result = std::to_string(keyStatus) + std::to_string(status) +
                                              aes.getEncryptedData();
                         // A second key on the same object replaces the first.
                         aes.startEncryption("another  16 key");
                         aes.encrypt(text);
                         return result + "/" + aes.getEncryptedData();
                       }});
    }
  }
  for (int keyBits : {128, 192, 256}) {
    for (int blockBits : {128, 192, 256}) {
      for (AES::BlockMode mode : {AES::ECB, AES::CBC}) {
        calls.push_back({"AES " + std::to_string(keyBits) + "/" + std::to_string(blockBits),
                         [keyBits, blockBits, mode] {
                           unsigned char key[32], plain[96], cipher[96], back[96];
                           for (int i = 0; i < 96; ++i) {
                             plain[i] = static_cast<unsigned char>(i * 7 + keyBits);
                             if (i < 32) key[i] = static_cast<unsigned char>(i + blockBits);
                           }
                           const unsigned long blocks = 3,
                                               bytes = blocks *
                                                       static_cast<unsigned long>(blockBits) / 8;
                           AES aes;
                           aes.SetParameters(keyBits, blockBits);
                           aes.StartEncryption(key);
                           aes.Encrypt(plain, cipher, blocks, mode);
                           aes.StartDecryption(key);
                           aes.Decrypt(cipher, back, blocks, mode);
                           return hex(cipher, bytes) +
                                  (std::equal(plain, plain + bytes, back) ? "" : " no round trip");
                         }});
      }
    }
  }
  return calls;
}

// Runs every call once on this thread and keeps its result and the lines it wrote.
std::vector<std::string> expectedResults(std::vector<Call>& calls, LineCounter& cerrLines) {
  std::vector<std::string> expected;
  for (Call& call : calls) {
    const long before = cerrLines.lines();
    expected.push_back(call.run());
    call.lines = cerrLines.lines() - before;
  }
  return expected;
}

// Runs all calls rounds times on each of threads threads, each thread in its own order, and
// returns the results that differ from expected. With onePerThread, thread t runs only call t.
std::vector<std::string> runOnThreads(const std::vector<Call>& calls,
                                      const std::vector<std::string>& expected, int threads,
                                      int rounds, bool onePerThread = false) {
  std::vector<std::vector<std::string>> wrong(static_cast<std::size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::vector<std::size_t> order(calls.size());
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
      if (onePerThread) order = {static_cast<std::size_t>(t)};
      std::mt19937 random(static_cast<unsigned>(t));
      for (int r = 0; r < rounds; ++r) {
        std::shuffle(order.begin(), order.end(), random);
        for (std::size_t i : order) {
          const std::string result = calls[i].run();
          if (result != expected[i]) {
            wrong[static_cast<std::size_t>(t)].push_back(calls[i].name + ": " + result);
          }
        }
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  std::vector<std::string> all;
  for (const auto& list : wrong) all.insert(all.end(), list.begin(), list.end());
  return all;
}

// Routes std::cerr into a line counter for the life of the object.
class CerrCapture {
public:
  CerrCapture() : saved_(std::cerr.rdbuf(&counter_)) {}
  ~CerrCapture() { std::cerr.rdbuf(saved_); }
  LineCounter& counter() { return counter_; }

private:
  LineCounter counter_;
  std::streambuf* saved_;
};

std::string firstFew(const std::vector<std::string>& wrong) {
  std::string text;
  for (std::size_t i = 0; i < std::min<std::size_t>(wrong.size(), 5); ++i) text += wrong[i] + "\n";
  return text;
}

}  // namespace

// This program's definition takes the platform library's place; reports go to the thread's
// own record.
void KX::kxPrintError(int code, std::string message) {
  t_reports += std::to_string(code) + " " + message + ";";
}

// First in the file: run on its own (as CTest runs each test), it finds the cipher's tables
// not yet built, and eight threads construct their first objects at the same moment. The
// header promises a once-only build that is safe then.
TEST(Concurrency, FirstConstructionsRaceOnManyThreads) {
  constexpr int kThreads = 8;
  // AES-128-ECB of "hello" under the key 00 01 ... 0f, Base64 (OpenSSL gives the same).
  const std::string key("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f", 16);
  const std::string expected = "XYdJ4q91MbK/ZmHp5drwEg==";
  std::vector<std::string> results(kThreads);
  std::atomic<int> waiting{kThreads};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      --waiting;
      while (waiting.load() > 0) std::this_thread::yield();  // all start together
      KX::KXAES aes;
      aes.startEncryption(key);
      aes.encrypt("hello");
      results[static_cast<std::size_t>(t)] = aes.getEncryptedData();
    });
  }
  for (std::thread& worker : workers) worker.join();
  for (const std::string& result : results) EXPECT_EQ(result, expected);
}

TEST(Concurrency, EveryFreeFunctionAndObjectOnManyThreads) {
  CerrCapture cerr;
  std::vector<Call> calls = freeFunctionCalls();
  const std::vector<Call> objects = objectCalls();
  calls.insert(calls.end(), objects.begin(), objects.end());
  const std::vector<std::string> expected = expectedResults(calls, cerr.counter());
  // The expected results are real answers, not failures of the single-threaded run.
  const std::string ok = std::to_string(KX::KX_STATUS_OK);
  ASSERT_EQ(expected.at(0), ok + "0x1F" + ok + ":31" + "0x1F");
  long linesPerRound = 0;
  for (const Call& call : calls) linesPerRound += call.lines;

  constexpr int kThreads = 8, kRounds = 40;
  const long linesBefore = cerr.counter().lines();
  const std::vector<std::string> wrong = runOnThreads(calls, expected, kThreads, kRounds);
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong results, e.g.\n" << firstFew(wrong);
  EXPECT_EQ(cerr.counter().lines() - linesBefore, linesPerRound * kThreads * kRounds);
  for (const std::string& name : g_scratchFiles) std::remove(name.c_str());
}

// Two threads ask for two different devices, over and over: each must always get its own
// device's mount point.
TEST(Concurrency, TwoThreadsQueryingTwoDevicesGetTheirOwnAnswers) {
  std::vector<Call> calls;
  for (const std::string& device : mountedDevices()) {
    calls.push_back({"mount " + device, [device] {
                       std::string mountPath;
                       const int status = KX::getMountPath(device, &mountPath);
                       return std::to_string(status) + " " + mountPath;
                     }});
  }
  LineCounter unused;
  std::vector<std::string> expected = expectedResults(calls, unused);
  // The first device and the first one mounted elsewhere.
  std::size_t other = 1;
  while (other < expected.size() && expected[other] == expected[0]) ++other;
  ASSERT_LT(other, expected.size()) << "needs two devices with different mount points";
  calls = {calls[0], calls[other]};
  expected = {expected[0], expected[other]};
  const std::vector<std::string> wrong = runOnThreads(calls, expected, 2, 20000, true);
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong results, e.g.\n" << firstFew(wrong);
}
