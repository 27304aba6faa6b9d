// A host program's main loop driving the timer: a listener gets a repeating
// timeout every 100 ms and a one-shot timeout after 250 ms, and the loop ends
// after the fifth repeat, about half a second in.
#include <KXAPI/KXTimer.h>
#include <KXPlatform/KXTick.h>

#include <chrono>
#include <iostream>
#include <thread>

namespace {

// A listener implements handleEvent; the timer calls it from checkTimeouts(),
// on the thread of the host's loop.
class Heartbeat : public KX::KXEventListener {
public:
  void handleEvent(KX::KXEvent& event) override {
    if (event.id != KX::TIMER_EVENT_ID) return;
    const unsigned long elapsed = KX::KXTick::getTickCount() - start;
    if (event.data[0] == KX::TIMER_ONE_SHOT) {
      ++oneShots;
      std::cout << "+" << elapsed << " ms: one-shot timeout\n";
    } else {
      ++repeats;
      std::cout << "+" << elapsed << " ms: repeating timeout " << repeats << '\n';
    }
  }

  unsigned long start = KX::KXTick::getTickCount();
  int oneShots = 0;
  int repeats = 0;
};

}  // namespace

int main() {
  KX::KXTimer::createInstance();  // once, at start-up

  Heartbeat heartbeat;
  KX::KXTimer* const timer = KX::KXTimer::instance();
  timer->installTimer(100, KX::TIMER_REPEAT, &heartbeat);  // ticks are milliseconds
  timer->installTimer(250, KX::TIMER_ONE_SHOT, &heartbeat);

  // The host's loop: check the timers, then do other work or sleep. It gives
  // up after 3 s, should the timeouts not come.
  while (heartbeat.repeats < 5 && KX::KXTick::getTickCount() - heartbeat.start < 3000) {
    timer->checkTimeouts();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  // The timer keeps pointers to its listeners: remove a listener's timers
  // before it goes.
  timer->removeTimer(KX::TIMER_REPEAT, &heartbeat);
  timer->removeTimer(KX::TIMER_ONE_SHOT, &heartbeat);
  KX::KXTimer::deleteInstance();  // at shutdown

  std::cout << "timeouts: " << heartbeat.oneShots << " one-shot, " << heartbeat.repeats
            << " repeating\n";
  return 0;
}
