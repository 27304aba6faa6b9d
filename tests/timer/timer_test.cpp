// The timer on a tick the test sets. Each scenario is a script of steps, run on a fresh
// instance at tick 0:
//   t N          set the tick; a negative N counts back from 0 (-1: ULONG_MAX)
//   +K L T       listener L (0..3, addresses ascending, or n: null) installs a timer of kind K
//                (o: one-shot, r: repeat, or a type number) with timeout T
//   -K L         the same for removing
//   c [Lo|Lr..]  checkTimeouts, having notified these listeners in this order
//   on L s, s..  L's next notification runs these steps
//   create / delete: createInstance / deleteInstance
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <sstream>

#include "KXAPI/KXStatus.h"
#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"

using KX::KXTimer;

static unsigned long fakeTick = 0;
static std::string notes;  // a check's notifications, e.g. " 0o 3r"

// The test's own tick counter; the dynamic linker binds the library's calls to it.
unsigned long KX::KXTick::getTickCount() { return fakeTick; }

namespace {

// The pieces of text between separators.
std::vector<std::string> split(const std::string& text, const char* separator) {
  const std::regex pattern(separator);
  return {std::sregex_token_iterator(text.begin(), text.end(), pattern, -1), {}};
}

struct Probe : KX::KXEventListener {
  std::vector<std::string> steps;  // to run on the next notification
  void handleEvent(KX::KXEvent& event) override {
    const KX::KXEvent want{2000, 0, {event.data[0] == KX::TIMER_ONE_SHOT ? 0 : 1}};
    EXPECT_EQ(std::memcmp(&event, &want, sizeof want), 0) << "id 2000, param 0, type, zeros";
    notes += " " + std::to_string(this - probes) + (event.data[0] == 0 ? "o" : "r");
    for (const std::string& step : std::vector<std::string>(std::move(steps))) {
      run(step);
    }
  }
  static void run(const std::string& step);
  static Probe probes[4];  // an array, so that the addresses ascend
};
Probe Probe::probes[4];

void Probe::run(const std::string& step) {
  std::istringstream words(step);
  std::string op;
  std::string who;
  unsigned long timeout = 0;
  words >> op >> who >> timeout;
  const auto type = static_cast<KX::KXTimerType>(op[1] == 'o' ? 0 : op[1] == 'r' ? 1 : 2);
  const bool named = (op[0] == '+' || op[0] == '-' || op == "on") && who != "n";
  Probe* const listener = named ? &probes[who[0] - '0'] : nullptr;
  const int status = listener ? KX::KX_STATUS_OK : KX::KX_STATUS_INVALID_ARGUMENT;
  KXTimer* const timer = KXTimer::theInstance;
  if (op == "t") {
    fakeTick = std::stoul(who);
  } else if (op[0] == '+') {
    EXPECT_EQ(timer->installTimer(timeout, type, listener), status) << step;
  } else if (op[0] == '-') {
    EXPECT_EQ(timer->removeTimer(type, listener), status) << step;
  } else if (op == "c") {
    notes.clear();
    EXPECT_EQ(timer->checkTimeouts(), KX::KX_STATUS_OK) << step;
    EXPECT_EQ(notes, step.substr(1)) << step;
  } else if (op == "on") {
    probes[who[0] - '0'].steps = split(step.substr(5), ", ");
  } else if (op == "create") {
    EXPECT_EQ(KXTimer::createInstance(), timer ? timer : KXTimer::theInstance);
    EXPECT_EQ(KXTimer::instance(), KXTimer::theInstance);
  } else if (op == "delete") {
    KXTimer::deleteInstance();
    EXPECT_EQ(KXTimer::theInstance, nullptr);
  } else {
    ADD_FAILURE() << "bad step: " << step;
  }
}

}  // namespace

TEST(Timer, Scenarios) {
  const char* const scenarios[] = {
      // due strictly after the deadline (-6 + 10 wraps past zero); a one-shot once, a repeat
      // re-armed from the check
      "t 100; +o 0 10; t 110; c; t 111; c 0o; t 500; c; t -6; +o 0 10; t 4; c; t 5; c 0o",
      "+r 0 10; t 11; c 0r; t 21; c; t 1000; c 0r; t 1010; c; t 1011; c 0r",
      "+r 0 10; t -1; c 0r; t 9; c; t 10; c 0r",  // re-armed past zero
      // every other type number is a repeat, removed as one
      "+o n 5; +r n 5; -o n; -r n; +2 0 10; t 11; c 0r; t 22; c 0r; -2 0; t 99; c",
      // handlers that change the timers in the walk
      "+o 0 0; +o 1 0; +r 2 0; +r 3 0; on 0 -o 1, -r 2; t 1; c 0o 3r",
      "+r 0 0; +r 1 0; on 0 -r 0; t 1; c 0r 1r; t 2; c 1r",
      "+r 0 10; +r 1 10; on 0 t 20, +r 0 100; t 11; c 0r 1r; t 111; c 1r; t 112; c 0r",
      "+o 0 0; +o 1 0; +r 2 0; on 0 delete; t 1; c 0o; create",
      "+r 0 0; +r 1 0; on 0 delete; t 1; c 0r; create",
      "+o 0 0; +o 1 0; on 0 c 0o 1o; t 1; c 0o 1o; t 2; c",
      // the instance
      "+o 0 0; create; t 1; c 0o; +r 0 0; delete; delete; create; t 5; c",
  };
  for (const char* scenario : scenarios) {
    SCOPED_TRACE(scenario);
    KXTimer::deleteInstance();
    KXTimer::createInstance();
    fakeTick = 0;
    for (const std::string& step : split(scenario, "; ")) {
      Probe::run(step);
    }
  }
  KXTimer::deleteInstance();
}
