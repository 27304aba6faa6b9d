// The timer on a tick the test sets. Each scenario is a script of steps, run on a fresh
// instance at tick 0:
//   tick N                  set the tick; a negative N counts back from 0 (-1: ULONG_MAX)
//   install K L T           listener L (0..3, addresses ascending, or null) installs a timer
//                           of kind K (one, repeat, or the type number 2) with timeout T
//   remove K L              the same for removing
//   check [Lo|Lr ...]       checkTimeouts, having notified these listeners in this order
//   on L step, step, ...    L's next notification runs these steps
//   create / delete         createInstance (warns when one exists) / deleteInstance
//   abort                   instance() without an instance: three lines, abort
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sstream>

#include "KXAPI/KXStatus.h"
#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"

using KX::KXTimer;

namespace {

unsigned long fakeTick = 0;
std::string notes;  // a check's notifications, e.g. " 0o 3r"

// The pieces of text between separators, blanks before them dropped.
std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::istringstream in(text);
  for (std::string piece; std::getline(in, piece, separator);) {
    pieces.push_back(piece.erase(0, piece.find_first_not_of(' ')));
  }
  return pieces;
}

}  // namespace

// The test's own tick counter; the dynamic linker binds the library's calls to it.
unsigned long KX::KXTick::getTickCount() { return fakeTick; }

namespace {

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
  std::string arg;
  std::string who;
  unsigned long timeout = 0;
  words >> op >> arg >> who >> timeout;
  const auto kind = static_cast<KX::KXTimerType>(arg == "one" ? 0 : arg == "repeat" ? 1 : 2);
  Probe* const listener = who == "null" ? nullptr : &probes[std::atoi(who.c_str())];
  const int status = listener ? KX::KX_STATUS_OK : KX::KX_STATUS_INVALID_ARGUMENT;
  KXTimer* const timer = KXTimer::theInstance;
  if (op == "tick") {
    fakeTick = std::stoul(arg);
  } else if (op == "install") {
    EXPECT_EQ(timer->installTimer(timeout, kind, listener), status) << step;
  } else if (op == "remove") {
    EXPECT_EQ(timer->removeTimer(kind, listener), status) << step;
  } else if (op == "check") {
    notes.clear();
    EXPECT_EQ(timer->checkTimeouts(), KX::KX_STATUS_OK) << step;
    EXPECT_EQ(notes, step.substr(op.size())) << step;
  } else if (op == "on") {
    probes[std::stoi(arg)].steps = split(step.substr(step.find(arg) + 1), ',');
  } else if (op == "create") {
    testing::internal::CaptureStderr();
    EXPECT_EQ(KXTimer::createInstance(), timer ? timer : KXTimer::theInstance);
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        timer ? "Creating new KXTimer instance, but there was already an existing one!\n" : "");
  } else if (op == "delete") {
    KXTimer::deleteInstance();
    EXPECT_EQ(KXTimer::theInstance, nullptr);
  } else if (op == "abort") {
    EXPECT_EXIT(KXTimer::instance(), testing::KilledBySignal(SIGABRT),
                "KXTimer::instance\\(\\) called without creating an KXTimer instance before\\.\n"
                "Use KXTimer::createInstance\\(\\) in advance to create one!\n"
                "Aborting\\.\\.\\.\n");
  } else {
    ADD_FAILURE() << "bad step: " << step;
  }
}

}  // namespace

TEST(Timer, Scenarios) {
  const char* const scenarios[] = {
      // due strictly after the deadline; a one-shot once, a repeat re-armed from the check
      "tick 100; install one 0 10; tick 110; check; tick 111; check 0o; tick 500; check",
      "install repeat 0 10; tick 11; check 0r; tick 21; check; tick 1000; check 0r",
      "install repeat 0 10; tick 1010; check 0r; tick 1020; check; tick 1021; check 0r",
      // every other type number is a repeat, removed as one
      "install 2 0 10; tick 11; check 0r; tick 22; check 0r; remove 2 0; tick 99; check",
      // re-installing replaces deadline and interval; kinds and listeners are independent
      "install repeat 0 10; tick 5; install repeat 0 100; tick 106; check 0r; tick 207; check 0r",
      "install one 0 5; install repeat 0 5; remove repeat 0; tick 6; check 0o; tick 99; check",
      "install one 1 5; install repeat 1 5; remove one 1; tick 6; check 1r",
      "install one null 5; install repeat null 5; remove one null; remove repeat null; check",
      "install repeat 3 1; install one 2 1; install repeat 1 1; install one 0 1; tick 2; "
      "check 0o 2o 1r 3r",
      // a deadline that wraps past zero
      "tick -6; install one 0 10; tick 4; check; tick 5; check 0o",
      // handlers that change the timers in the walk
      "install one 0 0; install one 1 0; install repeat 2 0; install repeat 3 0; "
      "on 0 remove one 1, remove repeat 2; tick 1; check 0o 3r",
      "install repeat 0 0; install repeat 1 0; on 0 remove repeat 0; tick 1; check 0r 1r; "
      "tick 2; check 1r",
      "install one 0 0; install one 1 0; on 0 install one 0 5; tick 1; check 0o 1o; tick 99; check",
      "install repeat 0 10; install repeat 1 10; on 0 tick 20, install repeat 0 100; tick 11; "
      "check 0r 1r; tick 111; check 1r; tick 112; check 0r",
      "install one 0 0; install one 1 0; install repeat 2 0; on 0 delete; tick 1; check 0o; create",
      "install repeat 0 0; install repeat 1 0; on 0 delete; tick 1; check 0r; create",
      "install one 0 0; install one 1 0; on 0 check 0o 1o; tick 1; check 0o 1o; tick 2; check",
      // the instance
      "install one 0 0; create; tick 1; check 0o",
      "install repeat 0 0; delete; delete; create; tick 5; check",
      "delete; abort; create; delete; abort",
  };
  for (const char* scenario : scenarios) {
    SCOPED_TRACE(scenario);
    KXTimer::deleteInstance();
    KXTimer::createInstance();
    fakeTick = 0;
    for (const std::string& step : split(scenario, ';')) {
      Probe::run(step);
    }
  }
  KXTimer::deleteInstance();
}
