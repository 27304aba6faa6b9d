// KX::KXTimer across the wrap of the 32-bit tick counter, driven by the
// scenarios of tests/data/target/timer_wrap.txt. The test program defines
// KX::KXTick::getTickCount() itself; the library calls it through the
// dynamic linker, so this definition replaces the platform library's.
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KXAPI/KXTimer.h"
#include "KXPlatform/KXTick.h"

namespace {
unsigned long g_tick = 0;
}  // namespace

unsigned long KX::KXTick::getTickCount() { return g_tick; }

namespace {

struct Check {
  unsigned long tick;
  int fires;  // for the data model of this build
};

struct Scenario {
  std::string name;
  KX::KXTimerType type;
  unsigned long installTick;
  unsigned long timeout;
  std::vector<Check> checks;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

unsigned long parseTick(const std::string& text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (end == text.c_str() || *end != '\0' || value > 0xFFFFFFFFull)
    throw std::runtime_error("bad tick or timeout: " + text);
  return static_cast<unsigned long>(value);
}

std::vector<Scenario> loadScenarios() {
  const std::string path = std::string(KX_TEST_DATA_DIR) + "/target/timer_wrap.txt";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  const bool ilp32 = sizeof(unsigned long) == 4;
  std::vector<Scenario> scenarios;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Scenario s;
    std::string type, install, timeout, check;
    if (!(fields >> s.name >> type >> install >> timeout))
      throw std::runtime_error("malformed line: " + line);
    if (type != "one_shot" && type != "repeat")
      throw std::runtime_error("unknown timer type: " + line);
    s.type = type == "one_shot" ? KX::TIMER_ONE_SHOT : KX::TIMER_REPEAT;
    s.installTick = parseTick(install);
    s.timeout = parseTick(timeout);
    while (fields >> check) {
      const auto c1 = check.find(':');
      const auto c2 = check.find(':', c1 + 1);
      if (c1 == std::string::npos || c2 == std::string::npos)
        throw std::runtime_error("malformed check " + check + " in: " + line);
      const int fires32 = std::stoi(check.substr(c1 + 1, c2 - c1 - 1));
      const int fires64 = std::stoi(check.substr(c2 + 1));
      s.checks.push_back({parseTick(check.substr(0, c1)), ilp32 ? fires32 : fires64});
    }
    if (s.checks.empty()) throw std::runtime_error("scenario without checks: " + line);
    scenarios.push_back(s);
  }
  return scenarios;
}

class RecordingListener : public KX::KXEventListener {
public:
  void handleEvent(KX::KXEvent& event) override { events.push_back(event); }
  std::vector<KX::KXEvent> events;
};

class TimerWrapTest : public testing::TestWithParam<Scenario> {
protected:
  void SetUp() override { KX::KXTimer::createInstance(); }
  void TearDown() override { KX::KXTimer::deleteInstance(); }
};

TEST_P(TimerWrapTest, FiresAsTheDataModelDictates) {
  const Scenario& s = GetParam();
  KX::KXTimer* timer = KX::KXTimer::instance();
  RecordingListener listener;

  g_tick = s.installTick;
  ASSERT_EQ(timer->installTimer(s.timeout, s.type, &listener), 0);
  for (const Check& check : s.checks) {
    SCOPED_TRACE(testing::Message() << "check at tick 0x" << std::hex << check.tick);
    listener.events.clear();
    g_tick = check.tick;
    ASSERT_EQ(timer->checkTimeouts(), 0);
    ASSERT_EQ(static_cast<int>(listener.events.size()), check.fires);
    for (const KX::KXEvent& event : listener.events) {
      EXPECT_EQ(event.id, 2000);
      EXPECT_EQ(event.data[0], static_cast<int>(s.type));
    }
  }
  timer->removeTimer(s.type, &listener);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, TimerWrapTest, testing::ValuesIn(loadScenarios()),
                         [](const testing::TestParamInfo<Scenario>& info) {
                           return info.param.name;
                         });

}  // namespace
