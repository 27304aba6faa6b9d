// The timer on a tick the test sets: each scenario is a short script of steps, run on a fresh
// instance at tick 0.
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
int tickReads = 0, expectedReads = 0;  // expected: one per install and per check
std::string notes;                     // a check's notifications, e.g. " 0o 3r"

// The pieces of text between separators, blanks around them dropped.
std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::istringstream in(text);
  for (std::string piece; std::getline(in, piece, separator);) {
    piece.erase(0, piece.find_first_not_of(' '));
    pieces.push_back(piece);
  }
  return pieces;
}

}  // namespace

// The test's own tick counter; the dynamic linker binds the library's calls to it before the
// platform library's.
unsigned long KX::KXTick::getTickCount() {
  ++tickReads;
  return fakeTick;
}

namespace {

struct Probe : KX::KXEventListener {
  std::vector<std::string> steps;  // to run on the next notification
  void handleEvent(KX::KXEvent& event) override {
    const KX::KXEvent want{2000, 0, {event.data[0] == KX::TIMER_ONE_SHOT ? 0 : 1}};
    EXPECT_EQ(std::memcmp(&event, &want, sizeof want), 0) << "id 2000, param 0, type, zeros";
    notes += " " + std::to_string(this - probes) + (event.data[0] == 0 ? "o" : "r");
    for (const std::string& step : std::vector<std::string>(std::move(steps))) run(step);
  }
  static void run(const std::string& step);
  static Probe probes[4];  // an array, so that the addresses ascend
};
Probe Probe::probes[4];

// The steps of a scenario, separated by ";":
//   tick N                   set the tick; a negative N counts back from 0 (-1: ULONG_MAX)
//   install one|repeat L T   listener L (0..3, addresses ascending, or null) installs a timer
//                            with timeout T; null is refused
//   remove one|repeat L      the same for removing
//   check [Lo|Lr ...]        checkTimeouts, having notified these listeners in this order
//                            (o one-shot, r repeat)
//   on L step, step, ...     L's next notification runs these steps
//   create / delete          createInstance (warns when one exists) / deleteInstance
//   abort                    instance() without an instance: three lines, abort
// Each install with a listener and each check read the tick once; nothing else does.
void Probe::run(const std::string& step) {
  std::string op, arg, who;  // e.g. "install one 2 10"
  unsigned long timeout = 0;
  std::istringstream(step) >> op >> arg >> who >> timeout;
  const auto kind = arg == "one" ? KX::TIMER_ONE_SHOT : KX::TIMER_REPEAT;
  Probe* const listener = who == "null" ? nullptr : &probes[std::atoi(who.c_str())];
  const int refused = listener ? KX::KX_STATUS_OK : KX::KX_STATUS_INVALID_ARGUMENT;
  KXTimer* const timer = KXTimer::theInstance;
  if (op == "tick") {
    fakeTick = std::stoul(arg);
  } else if (op == "install") {
    expectedReads += listener ? 1 : 0;
    EXPECT_EQ(timer->installTimer(timeout, kind, listener), refused) << step;
  } else if (op == "remove") {
    EXPECT_EQ(timer->removeTimer(kind, listener), refused) << step;
  } else if (op == "check") {
    ++expectedReads;
    notes.clear();
    EXPECT_EQ(timer->checkTimeouts(), KX::KX_STATUS_OK) << step;
    EXPECT_EQ(notes, step.substr(op.size())) << step;
  } else if (op == "on") {
    probes[std::stoi(arg)].steps = split(step.substr(step.find(arg) + 1), ',');
  } else if (op == "create") {
    testing::internal::CaptureStderr();
    KXTimer* const created = KXTimer::createInstance();
    EXPECT_EQ(created, timer ? timer : KXTimer::theInstance);
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
  const struct {
    const char* name;
    const char* steps;
  } scenarios[] = {
      {"one-shot due strictly after its deadline, then gone",
       "tick 100; install one 0 10; tick 110; check; tick 111; check 0o; tick 500; check"},
      {"timeout 0 waits for the next tick", "tick 50; install one 0 0; check; tick 51; check 0o"},
      {"repeat re-arms from the check's tick, no catch-up for missed periods",
       "install repeat 0 10; tick 10; check; tick 11; check 0r; tick 21; check; tick 22; "
       "check 0r; tick 1000; check 0r; tick 1010; check; tick 1011; check 0r"},
      {"re-installing a one-shot replaces its deadline",
       "install one 0 10; tick 5; install one 0 10; tick 11; check; tick 16; check 0o; "
       "tick 30; check"},
      {"re-installing a repeat replaces deadline and interval",
       "install repeat 0 10; tick 5; install repeat 0 100; tick 11; check; tick 106; "
       "check 0r; tick 206; check; tick 207; check 0r"},
      {"both kinds on one listener are independent",
       "install one 0 5; install repeat 0 5; tick 6; check 0o 0r; install one 0 5; "
       "remove repeat 0; tick 12; check 0o; install repeat 0 5; install one 0 5; "
       "remove one 0; tick 18; check 0r"},
      {"removing what is not there changes nothing; null listener is refused",
       "install one null 5; install repeat null 5; remove one null; remove repeat null; "
       "remove one 0; remove repeat 1; install one 1 1; remove repeat 1; remove one 0; "
       "install one null 5; install repeat null 5; remove one null; remove repeat null; "
       "tick 2; check 1o"},
      {"one-shots first, then repeats, each in order of listener address",
       "install repeat 3 1; install one 2 1; install repeat 1 1; install one 0 1; "
       "install one 3 1; install one 1 9; tick 2; check 0o 2o 3o 1r 3r"},
      {"deadline now + timeout wraps past zero",
       "tick -6; install one 0 10; tick 4; check; tick 5; check 0o"},
      {"a wrapped deadline is due before the wrap (no allowance for it)",
       "tick -6; install one 0 10; tick -5; check 0o"},
      {"a repeat's re-arm wraps",
       "tick -21; install repeat 0 10; tick -10; check 0r; tick 0; check; tick 1; check 0r"},
      {"a handler removes listeners later in the walk",
       "install one 0 0; install one 1 0; install repeat 2 0; install repeat 3 0; "
       "on 0 remove one 1, remove repeat 2; tick 1; check 0o 3r; tick 100; check 3r"},
      {"a handler removes its own one-shot",
       "install one 0 0; install one 1 0; on 0 remove one 0; tick 1; check 0o 1o; tick 2; "
       "check"},
      {"a handler removes its own repeat: not re-armed",
       "install repeat 0 0; install repeat 1 0; on 0 remove repeat 0; tick 1; check 0r 1r; "
       "tick 2; check 1r"},
      {"a handler re-installs its own one-shot: the entry has fired",
       "install one 0 0; install one 1 0; on 0 install one 0 5; tick 1; check 0o 1o; "
       "tick 100; check"},
      {"a handler removes and re-installs its own one-shot",
       "install one 0 0; on 0 remove one 0, install one 0 5; tick 1; check 0o; tick 100; "
       "check"},
      {"a handler re-installs its own repeat: new interval, re-armed from the walk's tick 11",
       "install repeat 0 10; install repeat 1 10; on 0 tick 20, install repeat 0 100; "
       "tick 11; check 0r 1r; tick 111; check 1r; tick 112; check 0r"},
      {"a handler removes and re-installs its own repeat",
       "install repeat 0 10; on 0 remove repeat 0, install repeat 0 50; tick 11; check 0r; "
       "tick 61; check; tick 62; check 0r"},
      {"timers a handler installs for others are not due in the same walk",
       "install one 0 0; on 0 install one 3 0, install repeat 2 0; tick 1; check 0o; tick 2; "
       "check 3o 2r"},
      {"a handler deletes the instance in the one-shot walk: the walk ends",
       "install one 0 0; install one 1 0; install repeat 2 0; on 0 delete; tick 1; check 0o; "
       "create"},
      {"a handler deletes the instance in the repeat walk: the walk ends",
       "install repeat 0 0; install repeat 1 0; on 0 delete; tick 1; check 0r; create"},
      // (the outer check sees only what the nested one noted after clearing the notes)
      {"a handler runs a nested check: it fires 0 and 1 and erases them for the outer walk",
       "install one 0 0; install one 1 0; on 0 check 0o 1o; tick 1; check 0o 1o; tick 2; "
       "check"},
      {"a second createInstance warns and keeps the instance and its timers",
       "install one 0 0; create; tick 1; check 0o"},
      {"deleteInstance twice, then a new instance without the old timers",
       "install repeat 0 0; delete; delete; create; tick 5; check"},
      {"instance() without an instance aborts", "delete; abort; create; delete; abort"},
  };
  for (const auto& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    KXTimer::deleteInstance();
    KXTimer::createInstance();
    fakeTick = 0;
    for (const std::string& step : split(scenario.steps, ';')) {
      expectedReads = tickReads;
      Probe::run(step);
      EXPECT_EQ(tickReads, expectedReads) << step << ": tick reads";
    }
  }
  KXTimer::deleteInstance();
}
