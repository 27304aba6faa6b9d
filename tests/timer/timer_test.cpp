// The timer on a tick the test sets: each scenario of tests/data/timer/scenarios.txt is a short
// script of steps (described there), run on a fresh instance at tick 0.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sstream>

#include "KXAPI/KXStatus.h"
#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"
#include "test_file.h"

using KX::KXTimer;

namespace {

unsigned long fakeTick = 0;
int tickReads = 0, expectedReads = 0;  // expected: one per install and per check
std::string notes;                     // a check's notifications, e.g. " 0o 3r"

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
  kxtest::TestFile::forEach("timer/scenarios.txt", [](kxtest::Record& r) {
    KXTimer::deleteInstance();
    KXTimer::createInstance();
    fakeTick = 0;
    for (const std::string& step : split(r.text("Steps"), ';')) {
      expectedReads = tickReads;
      Probe::run(step);
      EXPECT_EQ(tickReads, expectedReads) << step << ": tick reads";
    }
  });
  KXTimer::deleteInstance();
}
