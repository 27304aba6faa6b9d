// The timer singleton: two maps keyed by listener, walked in key order by
// checkTimeouts().
//
// Handlers run in the middle of a walk and may install or remove timers, walk
// again, or destroy the timer. std::map invalidates an iterator only when its
// own element is erased, so the walk keeps its iterator across a handler
// unless the handler erased something; then it looks its entry up again by
// listener, and continues after that listener when the entry is gone.
//
// The class layout is fixed, so the walk's state lives on the walk's stack and
// is found through a per-thread chain of active walks: an erase marks every
// active walk of that timer, the destructor tells them the object is gone.
#include "KXAPI/KXTimer.h"

#include <cstdlib>
#include <iostream>

#include "KXAPI/KXStatus.h"
#include "KXPlatform/KXTick.h"

namespace KX {

namespace {

struct Walk {
  const KXTimer* timer;
  bool erased;     // an entry of this timer was erased during the handler
  bool destroyed;  // the timer was destroyed during the handler
  Walk* outer;     // the walk that was active when this one started
};

// Walks happen on the thread that calls checkTimeouts(), and handlers run on
// that thread, so each thread sees only its own walks.
thread_local Walk* activeWalks = nullptr;

// Registers a walk for the duration of one checkTimeouts() call, also when a
// handler throws.
class WalkScope {
public:
  explicit WalkScope(const KXTimer* timer) : walk_{timer, false, false, activeWalks} {
    activeWalks = &walk_;
  }
  ~WalkScope() { activeWalks = walk_.outer; }
  WalkScope(const WalkScope&) = delete;
  WalkScope& operator=(const WalkScope&) = delete;

  Walk& walk() { return walk_; }

private:
  Walk walk_;
};

void noteErase(const KXTimer* timer) {
  for (Walk* w = activeWalks; w != nullptr; w = w->outer) {
    if (w->timer == timer) {
      w->erased = true;
    }
  }
}

enum class Outcome { kEntryKept, kEntryRemoved, kTimerDestroyed };

// Calls the listener of the entry at it. When the handler erased any entry,
// it is looked up again by listener: kEntryKept leaves it at the listener's
// entry, kEntryRemoved at the entry after it. kTimerDestroyed means the
// handler destroyed the timer, whose maps must not be touched again.
template <typename Map>
Outcome notify(Map& map, typename Map::iterator& it, KXEvent& event, Walk& walk) {
  KXEventListener* const listener = it->first;
  walk.erased = false;
  listener->handleEvent(event);
  if (walk.destroyed) {
    return Outcome::kTimerDestroyed;
  }
  if (walk.erased) {
    it = map.find(listener);
    if (it == map.end()) {
      it = map.upper_bound(listener);
      return Outcome::kEntryRemoved;
    }
  }
  return Outcome::kEntryKept;
}

}  // namespace

KXTimer* KXTimer::theInstance = nullptr;

KXTimer* KXTimer::createInstance() {
  if (theInstance != nullptr) {
    std::cerr << "Creating new KXTimer instance, but there was already an "
                 "existing one!"
              << std::endl;
    return theInstance;
  }
  theInstance = new KXTimer();
  return theInstance;
}

KXTimer* KXTimer::instance() {
  if (theInstance == nullptr) {
    std::cerr << "KXTimer::instance() called without creating an KXTimer "
                 "instance before."
              << std::endl;
    std::cerr << "Use KXTimer::createInstance() in advance to create one!" << std::endl;
    std::cerr << "Aborting..." << std::endl;
    std::abort();
  }
  return theInstance;
}

void KXTimer::deleteInstance() {
  delete theInstance;
  theInstance = nullptr;
}

KXTimer::KXTimer() = default;

KXTimer::~KXTimer() {
  for (Walk* w = activeWalks; w != nullptr; w = w->outer) {
    if (w->timer == this) {
      w->destroyed = true;
    }
  }
}

int KXTimer::installTimer(unsigned long timeout, KXTimerType type, KXEventListener* listener) {
  if (listener == nullptr) {
    return KX_STATUS_INVALID_ARGUMENT;
  }
  const unsigned long now = KXTick::getTickCount();
  if (type == TIMER_ONE_SHOT) {
    oneShotTimeouts[listener] = now + timeout;
  } else {
    repeatTimeouts[listener] = RepeatTimeout{now + timeout, timeout};
  }
  return KX_STATUS_OK;
}

int KXTimer::removeTimer(KXTimerType type, KXEventListener* listener) {
  if (listener == nullptr) {
    return KX_STATUS_INVALID_ARGUMENT;
  }
  const auto erased =
      type == TIMER_ONE_SHOT ? oneShotTimeouts.erase(listener) : repeatTimeouts.erase(listener);
  if (erased != 0) {
    noteErase(this);
  }
  return KX_STATUS_OK;
}

int KXTimer::checkTimeouts() {
  const unsigned long now = KXTick::getTickCount();
  KXEvent event{};
  event.id = TIMER_EVENT_ID;
  event.param = 0;
  event.data[0] = TIMER_ONE_SHOT;

  WalkScope scope(this);
  Walk& walk = scope.walk();

  for (auto it = oneShotTimeouts.begin(); it != oneShotTimeouts.end();) {
    if (!(it->second < now)) {
      ++it;
      continue;
    }
    switch (notify(oneShotTimeouts, it, event, walk)) {
      case Outcome::kTimerDestroyed:
        return KX_STATUS_OK;
      case Outcome::kEntryRemoved:
        continue;
      case Outcome::kEntryKept:
        // The entry has fired, even if the handler installed it anew.
        it = oneShotTimeouts.erase(it);
        noteErase(this);
    }
  }

  event.data[0] = TIMER_REPEAT;
  for (auto it = repeatTimeouts.begin(); it != repeatTimeouts.end();) {
    if (!(it->second.deadline < now)) {
      ++it;
      continue;
    }
    switch (notify(repeatTimeouts, it, event, walk)) {
      case Outcome::kTimerDestroyed:
        return KX_STATUS_OK;
      case Outcome::kEntryRemoved:
        continue;  // not re-armed
      case Outcome::kEntryKept:
        // From this call's tick, with the interval a handler may have just set.
        it->second.deadline = now + it->second.interval;
        ++it;
    }
  }
  return KX_STATUS_OK;
}

}  // namespace KX
