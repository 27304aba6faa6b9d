// A host program of the installed library: it calls only the library's API,
// which reaches every sibling function (the UTF routines, the error
// reporter, the tick counter and the listener interface) through the
// libraries the program links. Exits 0 only when all give what the headers
// promise.
#include <chrono>
#include <cstdio>
#include <thread>

#include <KXAPI/KXFileReader.h>
#include <KXAPI/KXStringConversion.h>
#include <KXAPI/KXTimer.h>

namespace {

struct Listener : KX::KXEventListener {
  int fired = 0;
  void handleEvent(KX::KXEvent& event) override { fired += event.id == 2000 ? 1 : 100; }
};

// A one-shot timeout of 0 ticks fires in the first check after the tick
// moves on; a few seconds of checks are plenty for a millisecond tick.
bool timerFires() {
  Listener listener;
  KX::KXTimer* timer = KX::KXTimer::createInstance();
  timer->installTimer(0, KX::TIMER_ONE_SHOT, &listener);
  for (int i = 0; i < 5000 && listener.fired == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    timer->checkTimeouts();
  }
  KX::KXTimer::deleteInstance();
  return listener.fired == 1;
}

}  // namespace

int main() {
  std::string untouched = "untouched";
  const bool ok = KX::convertToUtf16("\xE2\x82\xAC 5") == L"\u20AC 5" &&
                  KX::convertToUtf8(L"\u20AC 5") == "\xE2\x82\xAC 5" &&
                  KX::readStringFromFile("/kx/no/such/file", &untouched) == 16 &&
                  untouched == "untouched" && timerFires();
  std::puts(ok ? "consumer ok" : "consumer FAILED");
  return ok ? 0 : 1;
}
