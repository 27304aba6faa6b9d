// Allocation-failure sweep: each public function runs with its k-th allocation refused, for
// k = 0, 1, ... until a run is refused none, and each refusal must end as the function's header
// says: its failure result, or std::bad_alloc with everything as it was. ASan and LSan catch the
// crashes and leaks.
#include <gtest/gtest.h>
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>

#include <fstream>
#include <new>
#include <utility>

#include "KXAPI/KXAES.h"
#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStorage.h"
#include "KXAPI/KXStringConversion.h"
#include "KXAPI/KXStringTokenizer.h"
#include "KXAPI/KXTimer.h"

using namespace KX;
using std::to_string;

static thread_local long gLeft = -1;  // allocations this thread gets before one is refused; -1: all

// malloc takes ASan's memory unless it refuses; new goes through malloc, so that one count covers
// both.
extern "C" void* __interceptor_malloc(std::size_t);
extern "C" void* malloc(std::size_t n) noexcept {
  return gLeft >= 0 && gLeft-- == 0 ? nullptr : __interceptor_malloc(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return malloc(n ? n : 1); }
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void* operator new(std::size_t n) {
  if (void* p = operator new(n, std::nothrow)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
// ASan's delete frees what its malloc gave new. LSan knows the dynamic linker's own allocations
// by their caller, which this malloc hides.
extern "C" const char* __asan_default_options() { return "alloc_dealloc_mismatch=0"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_map_object_deps\n"; }

namespace {

const unsigned char kBytes[32] = {1};
int status = -1;
KXAES gAes;
// The string that the calls store into: gAes's result, which encryption writes.
std::string& value = gAes.getEncryptedData();
// What a call leaves behind: the status, the string and, as "+", a timer instance.
std::string Seen() { return to_string(status) + " " + value + (KXTimer::theInstance ? "+" : ""); }

// Runs call with allocation k refused, k = 0, 1, ..., until a run is refused none, which must
// leave Seen() at whole (by default what a first run with none refused leaves). Each run starts
// from status -1 and the string "before" (of no capacity beyond it). A refused run that throws
// std::bad_alloc (only where mayThrow) must leave Seen() as it was; one that does not, at failed
// or at whole. Returns the number of allocations.
template <typename Call>
long Sweep(Call call, const std::string& failed, std::string whole = "", bool mayThrow = true) {
  for (long k = whole.empty() ? -1 : 0;; ++k) {
    const std::string before = (status = -1, std::string("before").swap(value), Seen());
    try {
      gLeft = k, call();
    } catch (const std::bad_alloc&) {  // a refusal, which left gLeft at -1
      EXPECT_TRUE(mayThrow && Seen() == before) << k << " threw: " << Seen();
      continue;
    }
    const bool refused = k >= 0 && std::exchange(gLeft, -1) < 0;
    if (k < 0) whole = Seen();
    EXPECT_TRUE(Seen() == whole || (refused && Seen() == failed)) << k << ": " << Seen();
    if (k >= 0 && !refused) return k;
  }
}

}  // namespace

// Text and the timer throw std::bad_alloc on every refusal. A file or mount table whose stdio
// handle is refused counts as not opened, and the build date is then -1; the mount table does
// without its stdio buffer. The engine, the key, the disk space and the timer's walk, removal and
// deletion allocate nothing. For encryption, the padded copy fails with status 1 and its message,
// the cipher buffer (texts of 256 bytes on) and the Base64 text with std::bad_alloc, the previous
// result surviving, and the buffers are all that a text allocates.
TEST(AllocationFailure, EveryFunction) {
  struct Listener : KXEventListener {
    void handleEvent(KXEvent&) override {}
  } on;
  const std::string text = "a first long token,and a second long token,";
  const std::string file = "kx_alloc_version_file";
  const std::string key(16, 'k');
  const std::string mounts = getLineFromFile("/proc/mounts");
  std::ofstream(file) << "42 Version Major=\"01         02            0003\n";
  Sweep([&] { value = to_string(KXStringTokenizer::tokenize(text, ",").size()); }, "");
  Sweep([&] { value = convertToUtf8(convertToUtf16(text)); }, "");
  Sweep([&] { status = readStringFromFile(file, &value); }, "16 before");
  Sweep([&] { value = to_string(readIntegerFromFile(file, &status)); }, "-1 16");
  Sweep([&] { value = getLineFromFile(file); }, "-1 ");
  Sweep([&] { value = retrievePackageVersion(file); }, "-1 NOTFOUND");
  Sweep([&] { status = getMountPath(mounts.substr(0, mounts.find(' ')), &value); }, "16 before");
  Sweep([&] { status = isAnSDCardMounted(&value); }, "0 NO SD CARD FOUND!");
  Sweep([&] { status = isAnUSBStickMounted(&value); }, "0 NO USB STICK FOUND!");
  for (int (*const date)() : {&getOSBuildDay, &getOSBuildMonth, &getOSBuildYear}) {
    Sweep([&] { status = date(); }, "-1 before");
  }
  Sweep([&] { printBacktrace(2, 1); }, "", "", false);
  Sweep([] { KXTimer::createInstance(); }, "", "-1 before+");
  for (const KXTimerType type : {TIMER_ONE_SHOT, TIMER_REPEAT}) {
    Sweep([&] { status = KXTimer::instance()->installTimer(0, type, &on); }, "", "0 before+");
  }
  const auto allocatesNothing = [&] {
    AES engine;
    engine.SetParameters(256, 128), engine.StartDecryption(kBytes);
    engine.Decrypt(kBytes, nullptr, 0, AES::CBC);
    status = KXAES().startEncryption(key.substr(1)) + gAes.startEncryption(key);
    getDiskSpace(TOTAL_SPACE, "/");
    KXTimer::instance()->checkTimeouts(), KXTimer::instance()->removeTimer(TIMER_REPEAT, &on);
    KXTimer::deleteInstance();
  };
  EXPECT_EQ(Sweep(allocatesNothing, "", "20 before", false), 0);
  testing::internal::CaptureStdout();
  for (const std::size_t length : {15u, 300u}) {
    const std::string plain(length, 't');
    EXPECT_EQ(Sweep([&] { status = gAes.encrypt(plain); }, "1 before"), length < 256 ? 2 : 3);
    Sweep([&] { delete[] gAes.convertPlainText(plain, status); }, "", "", false);
    Sweep([&] { gAes.encodeBase64(value, kBytes, int(length % 32)); }, "");
  }
  const std::string message = "Converting plain text failed\n";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), message + message + message + message);
}
