// Allocation-failure sweep: each public function runs with its k-th allocation refused, for
// k = 0, 1, ... until a run is refused none, and each refusal must end as the function's header
// says: its failure result, or std::bad_alloc with everything as it was. ASan and LSan catch the
// crashes and leaks.
#include <gtest/gtest.h>
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>

#include <cstdlib>
#include <fstream>
#include <new>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStorage.h"
#include "KXAPI/KXStringConversion.h"
#include "KXAPI/KXStringTokenizer.h"
#include "KXAPI/KXTimer.h"

using std::to_string;

namespace {
thread_local long gLeft = -1;  // allocations this thread gets before one is refused; -1: all
}  // namespace

// malloc takes ASan's memory (glibc's without ASan) unless it refuses; new goes through malloc,
// so that one count covers both.
extern "C" void* __interceptor_malloc(std::size_t) __attribute__((weak));
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* malloc(std::size_t n) noexcept {
  if (gLeft >= 0 && gLeft-- == 0) return nullptr;
  return __interceptor_malloc ? __interceptor_malloc(n) : __libc_malloc(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return std::malloc(n ? n : 1);
}
void* operator new(std::size_t n) {
  void* p = operator new(n, std::nothrow);
  return p ? p : throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
// ASan's delete frees what its malloc gave new. LSan knows the dynamic linker's own allocations
// by their caller, which this malloc hides.
extern "C" const char* __asan_default_options() { return "alloc_dealloc_mismatch=0"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_map_object_deps\n"; }

namespace {

// Runs call with allocation k refused, k = 0, 1, ..., until a run is refused none, which must
// leave observe() at whole. A refused run that threw std::bad_alloc (only where mayThrow) must
// leave it as it was before; one that did not, at failed, or at whole when it did without.
template <typename Call, typename Observe>
long Sweep(Call call, Observe observe, const std::string& failed, const std::string& whole,
           bool mayThrow = true) {
  const std::string before = observe();
  for (long k = 0;; ++k) {
    bool threw = false;
    gLeft = k;
    try {
      call();
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    const bool refused = gLeft < 0;
    gLeft = -1;
    const std::string seen = observe();
    EXPECT_TRUE(!refused ? seen == whole
                : threw  ? mayThrow && seen == before
                         : seen == failed || seen == whole)
        << "allocation " << k << (refused ? " refused: " : " none refused: ") << seen;
    if (!refused) return k;
  }
}

}  // namespace

// The engine and the key allocate nothing. The padded copy fails with status 1 and its message,
// the cipher buffer (texts of 256 bytes on) and a longer Base64 text with std::bad_alloc; the
// previous result survives, and the buffers are all that a text allocates.
TEST(AllocationFailure, Encryption) {
  const std::string key(16, 'k'), message = "Converting plain text failed\n", none = "(none)";
  const unsigned char bytes[32] = {1};
  KX::KXAES aes, expected;
  int status = -1, padded = -1;
  EXPECT_EQ(Sweep(
                [&] {
                  AES engine;
                  engine.SetParameters(256, 128);
                  engine.StartDecryption(bytes);
                  engine.Decrypt(bytes, nullptr, 0, AES::CBC);
                  status = aes.startEncryption(key.substr(1)) + expected.startEncryption(key);
                },
                [&] { return to_string(status); }, none, "20"),
            0);
  aes.startEncryption(key);
  for (const std::size_t length : {0u, 15u, 100u, 300u}) {
    const std::string text(length, 't'), size = to_string(length / 16 * 16 + 16);
    std::string base64 = "previous", whole;
    aes.encrypt(base64);
    expected.encrypt(text);
    aes.encodeBase64(whole, bytes, int(length % 32));
    const std::string previous = aes.getEncryptedData();
    status = -1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(Sweep([&] { status = -1, status = aes.encrypt(text); },
                    [&] { return to_string(status) + aes.getEncryptedData(); }, "1" + previous,
                    "0" + expected.getEncryptedData()),
              length < 16    ? 1
              : length < 256 ? 2
                             : 3);
    Sweep([&] { delete[] aes.convertPlainText(text, padded); }, [&] { return to_string(padded); },
          size, size, false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), message + message);
    Sweep([&] { aes.encodeBase64(base64, bytes, int(length % 32)); }, [&] { return base64; }, none,
          whole);
  }
}

// The tokenizer, the conversions and the timer throw std::bad_alloc on every refusal; the timer's
// walk, removal and deletion allocate nothing.
TEST(AllocationFailure, TextAndTimer) {
  struct Listener : KX::KXEventListener {
    void handleEvent(KX::KXEvent&) override {}
  } listener;
  const std::string text = "a first long token,and a second long token,", none = "(none)";
  std::vector<std::string> tokens;
  std::wstring wide;
  std::string narrow;
  int status = -1;
  Sweep([&] { tokens = KX::KXStringTokenizer::tokenize(text, ","); },
        [&] { return to_string(tokens.size()); }, none, "3");
  Sweep([&] { wide = KX::convertToUtf16(text); }, [&] { return to_string(wide.size()); }, none,
        to_string(text.size()));
  Sweep([&] { narrow = KX::convertToUtf8(wide); }, [&] { return narrow; }, none, text);
  const auto instance = [] { return to_string(KX::KXTimer::theInstance != nullptr); };
  Sweep([] { KX::KXTimer::createInstance(); }, instance, none, "1");
  for (const KX::KXTimerType type : {KX::TIMER_ONE_SHOT, KX::TIMER_REPEAT}) {
    Sweep([&] { status = KX::KXTimer::instance()->installTimer(0, type, &listener); },
          [&] { return to_string(status); }, none, "0");
  }
  EXPECT_EQ(Sweep(
                [&] {
                  KX::KXTimer::instance()->checkTimeouts();
                  KX::KXTimer::instance()->removeTimer(KX::TIMER_REPEAT, &listener);
                  KX::KXTimer::deleteInstance();
                },
                instance, none, "0"),
            0);
}

// A file or mount table whose stdio handle is refused counts as not opened, and the build date is
// then -1; the mount table does without its stdio buffer.
TEST(AllocationFailure, System) {
  const std::string file = "kx_alloc_version_file", mounts = KX::getLineFromFile("/proc/mounts");
  std::ofstream(file) << "42 Version Major=\"01         02            0003\n";
  int status = -1;
  std::string value;
  const auto query = [&](auto call, const std::string& failed, bool mayThrow = true) {
    const auto run = [&] { status = -1, value = "before", call(); };
    const auto seen = [&] { return to_string(status) + " " + value; };
    run();
    const std::string whole = seen();
    status = -1, value = "before";
    return Sweep(run, seen, failed, whole, mayThrow);
  };
  query([&] { status = KX::readStringFromFile(file, &value); }, "16 before");
  query([&] { status = KX::getMountPath(mounts.substr(0, mounts.find(' ')), &value); },
        "16 before");
  query([&] { value = KX::getLineFromFile(file); }, "-1 ");
  query([&] { value = KX::retrievePackageVersion(file); }, "-1 NOTFOUND");
  query([&] { status = KX::isAnSDCardMounted(&value); }, "0 NO SD CARD FOUND!");
  query([&] { status = KX::isAnUSBStickMounted(&value); }, "0 NO USB STICK FOUND!");
  for (int (*const date)() : {&KX::getOSBuildDay, &KX::getOSBuildMonth, &KX::getOSBuildYear}) {
    query([&] { status = date(); }, "-1 before");
  }
  query([&] { value = to_string(KX::readIntegerFromFile(file, &status)); }, "-1 16");
  EXPECT_EQ(query([&] { status = KX::getDiskSpace(KX::TOTAL_SPACE, "/"); }, "", false), 0);
  query([&] { KX::printBacktrace(2, 1); }, "", false);
}
