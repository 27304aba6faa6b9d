// The timer against the scenarios in tests/data/timer/scenarios.txt, on a tick
// the test sets.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"
#include "data_lines.h"

using KX::KXTimer;
static unsigned long fakeTick = 0;
static int tickReads = 0, expectedReads = 0;  // expected: one per install and per check
static std::string notes;                     // a check's notifications, e.g. " 0o 3r"

// The test's own tick counter; the dynamic linker binds the library's calls to
// it before the platform library's.
unsigned long KX::KXTick::getTickCount() {
  ++tickReads;
  return fakeTick;
}

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

void Probe::run(const std::string& step) {
  std::string op, arg, who;  // e.g. "install one 2 10"
  unsigned long timeout = 0;
  std::istringstream(step) >> op >> arg >> who >> timeout;
  const auto kind = arg == "one" ? KX::TIMER_ONE_SHOT : KX::TIMER_REPEAT;
  Probe* const listener = who == "null" ? nullptr : &probes[std::atoi(who.c_str())];
  KXTimer* const timer = KXTimer::theInstance;
  if (op == "==") {  // a new scenario
    KXTimer::deleteInstance();
    KXTimer::createInstance();
    fakeTick = 0;
  } else if (op == "tick") {
    fakeTick = std::stoul(arg);  // a negative tick counts back from 0, wrapping
  } else if (op == "install") {
    expectedReads += listener ? 1 : 0;
    EXPECT_EQ(timer->installTimer(timeout, kind, listener), listener ? 0 : 20);
  } else if (op == "remove") {
    EXPECT_EQ(timer->removeTimer(kind, listener), listener ? 0 : 20);
  } else if (op == "check") {
    ++expectedReads;
    notes.clear();
    EXPECT_EQ(timer->checkTimeouts(), 0);
    EXPECT_EQ(notes, step.substr(step.find(op) + op.size()));
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

TEST(Timer, Scenarios) {
  forEachLine("timer/scenarios.txt", [](const std::string& step) {
    expectedReads = tickReads;
    Probe::run(step);
    EXPECT_EQ(tickReads, expectedReads) << "tick reads";
  });
  KXTimer::deleteInstance();
}
