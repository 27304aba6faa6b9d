#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"

namespace {
unsigned long fakeTick = 0;
int tickReads = 0;
}  // namespace

// The test's own tick counter. The library calls getTickCount through the
// dynamic linker, which binds it to this definition before the platform
// library's; TickReadsPerOperation fails if it does not.
unsigned long KX::KXTick::getTickCount() {
  ++tickReads;
  return fakeTick;
}

namespace {

using KX::KXTimer;
constexpr KX::KXTimerType kOne = KX::TIMER_ONE_SHOT;
constexpr KX::KXTimerType kRep = KX::TIMER_REPEAT;

struct Note {
  int listener;
  int type;
  bool operator==(const Note& o) const { return listener == o.listener && type == o.type; }
};

std::ostream& operator<<(std::ostream& os, const Note& n) {
  return os << "{L" << n.listener << (n.type == kOne ? " one-shot}" : " repeat}");
}

struct Probe : KX::KXEventListener {
  std::function<void()> onEvent;  // what the handler does to the timers
  void handleEvent(KX::KXEvent& event) override;
};

// An array, so that the listeners' addresses ascend with their index.
Probe probes[4];

std::vector<Note> notes;
std::vector<KX::KXEvent> records;            // a copy of each record received
std::vector<const KX::KXEvent*> recordSeen;  // and its address

void Probe::handleEvent(KX::KXEvent& event) {
  notes.push_back({static_cast<int>(this - probes), event.data[0]});
  records.push_back(event);
  recordSeen.push_back(&event);
  if (onEvent) {
    onEvent();
  }
}

KXTimer* timer() { return KXTimer::theInstance; }

// One step of a scenario.
struct Step {
  enum Op { kTick, kInstall, kRemove, kCheck, kOnEvent, kNoInstance } op = kTick;
  unsigned long value = 0;  // the tick, or the timeout
  KX::KXTimerType type = kOne;
  int listener = 0;
  std::vector<Note> expected;   // kCheck: the notifications, in order
  std::function<void()> action; // kOnEvent: the listener's handler
  bool oneRecord = true;        // kCheck: every listener gets the same record
};

Step make(Step::Op op, unsigned long value = 0, KX::KXTimerType type = kOne, int l = 0) {
  Step s;
  s.op = op;
  s.value = value;
  s.type = type;
  s.listener = l;
  return s;
}
Step tick(unsigned long t) { return make(Step::kTick, t); }
Step install(int l, KX::KXTimerType type, unsigned long timeout) {
  return make(Step::kInstall, timeout, type, l);
}
Step remove(int l, KX::KXTimerType type) { return make(Step::kRemove, 0, type, l); }
Step check(std::vector<Note> expected) {
  Step s = make(Step::kCheck);
  s.expected = std::move(expected);
  return s;
}
Step onEvent(int l, std::function<void()> action) {
  Step s = make(Step::kOnEvent, 0, kOne, l);
  s.action = std::move(action);
  return s;
}
Step noInstance() { return make(Step::kNoInstance); }
// A check whose handlers run checks of their own, each with its own record.
Step checkNested(std::vector<Note> expected) {
  Step s = check(std::move(expected));
  s.oneRecord = false;
  return s;
}

bool nestedOnce = false;

struct Scenario {
  const char* name;
  std::vector<Step> steps;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

const unsigned long kMax = ULONG_MAX;

const Scenario kScenarios[] = {
    {"OneShotDueStrictlyAfterDeadline",
     {tick(100), install(0, kOne, 10), tick(110), check({}), tick(111), check({{0, kOne}}),
      tick(500), check({})}},
    {"TimeoutZeroWaitsForTheNextTick",
     {tick(50), install(0, kOne, 0), check({}), tick(51), check({{0, kOne}})}},
    {"RepeatRearmsFromTheCheckWithoutCatchUp",
     {tick(0), install(0, kRep, 10), tick(10), check({}), tick(11), check({{0, kRep}}),
      tick(21), check({}), tick(22), check({{0, kRep}}), tick(1000), check({{0, kRep}}),
      tick(1010), check({}), tick(1011), check({{0, kRep}})}},
    {"OneShotReinstallReplacesDeadline",
     {tick(0), install(0, kOne, 10), tick(5), install(0, kOne, 10), tick(11), check({}),
      tick(16), check({{0, kOne}}), tick(30), check({})}},
    {"RepeatReinstallReplacesDeadlineAndInterval",
     {tick(0), install(0, kRep, 10), tick(5), install(0, kRep, 100), tick(11), check({}),
      tick(106), check({{0, kRep}}), tick(206), check({}), tick(207), check({{0, kRep}})}},
    {"BothKindsOnOneListenerAreIndependent",
     {tick(0), install(0, kOne, 5), install(0, kRep, 5), tick(6), check({{0, kOne}, {0, kRep}}),
      install(0, kOne, 5), remove(0, kRep), tick(12), check({{0, kOne}}),
      install(0, kRep, 5), install(0, kOne, 5), remove(0, kOne), tick(18), check({{0, kRep}})}},
    {"RemovingWhatIsNotThereChangesNothing",
     {tick(0), remove(0, kOne), remove(1, kRep), install(1, kOne, 1), remove(1, kRep),
      remove(0, kOne), tick(2), check({{1, kOne}})}},
    {"OneShotsFirstThenRepeatsEachByAddress",
     {tick(0), install(3, kRep, 1), install(2, kOne, 1), install(1, kRep, 1), install(0, kOne, 1),
      install(3, kOne, 1), install(1, kOne, 9), tick(2),
      check({{0, kOne}, {2, kOne}, {3, kOne}, {1, kRep}, {3, kRep}})}},
    {"DeadlineWrapsPastZero",
     {tick(kMax - 5), install(0, kOne, 10), tick(4), check({}), tick(5), check({{0, kOne}})}},
    {"WrappedDeadlineIsDueBeforeTheWrap",  // no allowance for the wrap
     {tick(kMax - 5), install(0, kOne, 10), tick(kMax - 4), check({{0, kOne}})}},
    {"RepeatRearmWraps",
     {tick(kMax - 20), install(0, kRep, 10), tick(kMax - 9), check({{0, kRep}}), tick(0),
      check({}), tick(1), check({{0, kRep}})}},

    // Handlers that change the timers during the walk.
    {"HandlerRemovesLaterListeners",
     {tick(0), install(0, kOne, 0), install(1, kOne, 0), install(2, kRep, 0), install(3, kRep, 0),
      onEvent(0, [] { timer()->removeTimer(kOne, &probes[1]); timer()->removeTimer(kRep, &probes[2]); }),
      tick(1), check({{0, kOne}, {3, kRep}}), tick(100), check({{3, kRep}})}},
    {"HandlerRemovesOwnOneShot",
     {tick(0), install(0, kOne, 0), install(1, kOne, 0),
      onEvent(0, [] { timer()->removeTimer(kOne, &probes[0]); }), tick(1),
      check({{0, kOne}, {1, kOne}}), tick(2), check({})}},
    {"HandlerRemovesOwnRepeat",
     {tick(0), install(0, kRep, 0), install(1, kRep, 0),
      onEvent(0, [] { timer()->removeTimer(kRep, &probes[0]); }), tick(1),
      check({{0, kRep}, {1, kRep}}), tick(2), check({{1, kRep}})}},
    {"HandlerReinstallsOwnOneShot",  // the re-install is the entry that fired
     {tick(0), install(0, kOne, 0), install(1, kOne, 0),
      onEvent(0, [] { timer()->installTimer(5, kOne, &probes[0]); }), tick(1),
      check({{0, kOne}, {1, kOne}}), tick(100), check({})}},
    {"HandlerRemovesAndReinstallsOwnOneShot",
     {tick(0), install(0, kOne, 0),
      onEvent(0, [] { timer()->removeTimer(kOne, &probes[0]); timer()->installTimer(5, kOne, &probes[0]); }),
      tick(1), check({{0, kOne}}), tick(100), check({})}},
    {"HandlerReinstallsOwnRepeat",  // new interval, re-armed from the walk's tick 11
     {tick(0), install(0, kRep, 10), install(1, kRep, 10),
      onEvent(0, [] { fakeTick = 20; timer()->installTimer(100, kRep, &probes[0]); }), tick(11),
      check({{0, kRep}, {1, kRep}}), onEvent(0, nullptr), tick(111), check({{1, kRep}}),
      tick(112), check({{0, kRep}})}},
    {"HandlerRemovesAndReinstallsOwnRepeat",
     {tick(0), install(0, kRep, 10),
      onEvent(0, [] { timer()->removeTimer(kRep, &probes[0]); timer()->installTimer(50, kRep, &probes[0]); }),
      tick(11), check({{0, kRep}}), onEvent(0, nullptr), tick(61), check({}), tick(62),
      check({{0, kRep}})}},
    {"HandlerInstallsForAnotherListener",  // not due in the walk that installs it
     {tick(0), install(0, kOne, 0),
      onEvent(0, [] { timer()->installTimer(0, kOne, &probes[3]); timer()->installTimer(0, kRep, &probes[2]); }),
      tick(1), check({{0, kOne}}), tick(2), check({{3, kOne}, {2, kRep}})}},
    {"HandlerDeletesInstanceInOneShotWalk",
     {tick(0), install(0, kOne, 0), install(1, kOne, 0), install(2, kRep, 0),
      onEvent(0, [] { KXTimer::deleteInstance(); }), tick(1), check({{0, kOne}}), noInstance()}},
    {"HandlerDeletesInstanceInRepeatWalk",
     {tick(0), install(0, kRep, 0), install(1, kRep, 0),
      onEvent(0, [] { KXTimer::deleteInstance(); }), tick(1), check({{0, kRep}}), noInstance()}},
    {"HandlerRunsANestedCheck",  // the nested walk fires and erases 0 and 1
     {tick(0), install(0, kOne, 0), install(1, kOne, 0),
      onEvent(0, [] { if (!nestedOnce) { nestedOnce = true; timer()->checkTimeouts(); } }),
      tick(1), checkNested({{0, kOne}, {0, kOne}, {1, kOne}}), tick(2), check({})}},
};

class TimerScenario : public ::testing::TestWithParam<Scenario> {
protected:
  void SetUp() override {
    KXTimer::deleteInstance();
    for (auto& p : probes) p.onEvent = nullptr;
    fakeTick = 0;
    nestedOnce = false;
  }
  void TearDown() override { KXTimer::deleteInstance(); }
};

TEST_P(TimerScenario, NotifiesAsExpected) {
  KXTimer::createInstance();
  int stepNo = 0;
  for (const Step& s : GetParam().steps) {
    SCOPED_TRACE("step " + std::to_string(stepNo++));
    switch (s.op) {
      case Step::kTick:
        fakeTick = s.value;
        break;
      case Step::kInstall:
        ASSERT_EQ(timer()->installTimer(s.value, s.type, &probes[s.listener]), 0);
        break;
      case Step::kRemove:
        ASSERT_EQ(timer()->removeTimer(s.type, &probes[s.listener]), 0);
        break;
      case Step::kOnEvent:
        probes[s.listener].onEvent = s.action;
        break;
      case Step::kNoInstance:
        EXPECT_EQ(KXTimer::theInstance, nullptr);
        break;
      case Step::kCheck: {
        notes.clear();
        records.clear();
        recordSeen.clear();
        ASSERT_EQ(timer()->checkTimeouts(), 0);
        EXPECT_EQ(notes, s.expected);
        for (std::size_t i = 0; i < records.size(); ++i) {
          KX::KXEvent want{};
          want.id = 2000;
          want.data[0] = notes[i].type;
          EXPECT_EQ(std::memcmp(&records[i], &want, sizeof want), 0) << "record " << i;
        }
        if (s.oneRecord) {
          for (const auto* seen : recordSeen) EXPECT_EQ(seen, recordSeen.front());
        }
        break;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Walks, TimerScenario, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

class TimerLifecycle : public ::testing::Test {
protected:
  void SetUp() override { KXTimer::deleteInstance(); }
  void TearDown() override { KXTimer::deleteInstance(); }
};

TEST_F(TimerLifecycle, TickReadsPerOperation) {
  struct Call {
    const char* what;
    std::function<int()> run;
    int status;
    int reads;
  };
  KXTimer* t = KXTimer::createInstance();
  const Call calls[] = {
      {"install one-shot, null", [&] { return t->installTimer(5, kOne, nullptr); }, 20, 0},
      {"install repeat, null", [&] { return t->installTimer(5, kRep, nullptr); }, 20, 0},
      {"remove one-shot, null", [&] { return t->removeTimer(kOne, nullptr); }, 20, 0},
      {"remove repeat, null", [&] { return t->removeTimer(kRep, nullptr); }, 20, 0},
      {"check, nothing installed", [&] { return t->checkTimeouts(); }, 0, 1},
      {"install one-shot", [&] { return t->installTimer(5, kOne, &probes[0]); }, 0, 1},
      {"install repeat", [&] { return t->installTimer(5, kRep, &probes[0]); }, 0, 1},
      {"remove one-shot", [&] { return t->removeTimer(kOne, &probes[0]); }, 0, 0},
      {"remove repeat", [&] { return t->removeTimer(kRep, &probes[0]); }, 0, 0},
      {"remove missing", [&] { return t->removeTimer(kRep, &probes[0]); }, 0, 0},
      {"check", [&] { return t->checkTimeouts(); }, 0, 1},
  };
  for (const auto& c : calls) {
    const int before = tickReads;
    EXPECT_EQ(c.run(), c.status) << c.what;
    EXPECT_EQ(tickReads - before, c.reads) << c.what;
  }
}

const char kNoInstanceLines[] =
    "KXTimer::instance\\(\\) called without creating an KXTimer instance before\\.\n"
    "Use KXTimer::createInstance\\(\\) in advance to create one!\n"
    "Aborting\\.\\.\\.\n";

TEST_F(TimerLifecycle, InstanceWithoutOneAborts) {
  EXPECT_EXIT(KXTimer::instance(), ::testing::KilledBySignal(SIGABRT), kNoInstanceLines);
  KXTimer::createInstance();
  KXTimer::deleteInstance();
  EXPECT_EXIT(KXTimer::instance(), ::testing::KilledBySignal(SIGABRT), kNoInstanceLines);
}

TEST_F(TimerLifecycle, SecondCreateWarnsAndKeepsTheTimers) {
  ::testing::internal::CaptureStderr();
  KXTimer* first = KXTimer::createInstance();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  fakeTick = 0;
  first->installTimer(0, kOne, &probes[0]);

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(KXTimer::createInstance(), first);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Creating new KXTimer instance, but there was already an existing one!\n");
  EXPECT_EQ(KXTimer::instance(), first);

  notes.clear();
  fakeTick = 1;
  first->checkTimeouts();
  EXPECT_EQ(notes, (std::vector<Note>{{0, kOne}}));
}

TEST_F(TimerLifecycle, DeleteTwiceThenCreateAnew) {
  fakeTick = 0;
  KXTimer::createInstance()->installTimer(0, kRep, &probes[0]);
  ::testing::internal::CaptureStderr();
  KXTimer::deleteInstance();
  EXPECT_EQ(KXTimer::theInstance, nullptr);
  KXTimer::deleteInstance();
  EXPECT_EQ(KXTimer::theInstance, nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

  notes.clear();
  fakeTick = 5;
  KXTimer::createInstance()->checkTimeouts();  // the old timer is gone
  EXPECT_TRUE(notes.empty());
}

}  // namespace
