#ifndef KXAPI_KXTIMER_H
#define KXAPI_KXTIMER_H

#include <cstdint>
#include <map>

#include "KXExport.h"
#include "KXPlatform/KXEvent.h"

/// \file
/// The timer registry driven by the host's loop, class KX::KXTimer.

namespace KX {

/// KXTimerType selects the kind of timer. Only 0 means one-shot: every other
/// value acts as TIMER_REPEAT.
enum KXTimerType {
  TIMER_ONE_SHOT = 0,  ///< fires once, then is removed
  TIMER_REPEAT = 1,    ///< fires each time its interval has passed
};

/// TIMER_EVENT_ID is the KXEvent::id of every event that
/// KXTimer::checkTimeouts() hands to a listener.
constexpr std::int32_t TIMER_EVENT_ID = 2000;

/// RepeatTimeout is the state of one repeating timer.
struct RepeatTimeout {
  unsigned long deadline;  ///< the tick after which the timer is next due
  unsigned long interval;  ///< the period in ticks
};

/// KXTimer is the process-wide registry of one-shot and repeating timeouts,
/// at most one of each kind per listener, counted in ticks of
/// KX::KXTick::getTickCount(). The host's loop calls checkTimeouts(), which
/// notifies every listener whose deadline has passed.
///
/// The timer keeps listener pointers without owning them: remove both of a
/// listener's timers before destroying it. No thread, no lock: the host
/// serialises all calls.
///
/// During checkTimeouts a handler may install and remove any timers and may
/// call deleteInstance():
///  - an entry removed by a handler is not notified later in the same walk;
///  - a handler that removes its own entry ends that entry: the walk does not
///    touch it again (a one-shot entry is simply gone; a repeating entry is
///    not re-armed);
///  - a handler that installs a new timer for its own listener: a one-shot
///    re-install is erased right after the handler returns (the entry has
///    fired); a repeating re-install keeps its new interval and is re-armed
///    from the walk's tick;
///  - a handler that calls deleteInstance() ends the walk at once: no further
///    listener is notified and the destroyed object is not touched again;
///  - a handler may call checkTimeouts() itself: what that nested walk fires
///    and erases is gone for the walk around it.
///
/// Entries installed during a walk are not due in that walk while the tick
/// does not go back or wrap.
class KX_API KXTimer {
public:
  /// createInstance creates the instance when there is none and returns it;
  /// when that allocation fails, std::bad_alloc passes through and there is
  /// still no instance.
  /// Otherwise prints "Creating new KXTimer instance, but there was already
  /// an existing one!" on std::cerr and returns the existing instance.
  static KXTimer* createInstance();

  /// instance returns the instance. Without one it prints three lines on
  /// std::cerr and aborts the process.
  static KXTimer* instance();

  /// deleteInstance destroys the instance, discarding all timers without
  /// notifying anyone, and clears theInstance. Without one it does nothing.
  static void deleteInstance();

  /// KXTimer constructs a registry without timers. Hosts use the one that
  /// createInstance() makes.
  KXTimer();
  /// ~KXTimer discards every timer without notifying anyone. It leaves
  /// theInstance as it is; deleteInstance() clears it.
  virtual ~KXTimer();

  /// installTimer sets listener's timer of the given type to fire once the
  /// tick passes now + timeout (unsigned, wrapping); a repeating timer then
  /// fires every timeout ticks, counted from the check that fired it.
  /// Replaces an existing timer of that type. Returns 0, or 20 for a null
  /// listener. The first timer of a type for a listener allocates; when that
  /// fails, std::bad_alloc passes through and the timers stay as they were.
  /// removeTimer, checkTimeouts and deleteInstance allocate nothing.
  ///
  /// \warning Deadlines do not survive the wrap of the tick. The deadline is
  /// stored as now + timeout in unsigned long arithmetic (32 bits on the
  /// device, where the millisecond tick wraps every 2^32 ms, about 49.7
  /// days), and checkTimeouts compares it with a plain deadline < tick. When
  /// now + timeout passes 2^32, the stored deadline is the sum minus 2^32,
  /// a value below now: the timer fires at the very next checkTimeouts
  /// (unless the tick wraps first), long before timeout ticks have passed.
  /// The other way round, a deadline stored just before the tick
  /// wraps (now + timeout below 2^32, the tick wrapping before it gets
  /// there) is not due until the tick has climbed back above it, nearly 2^32
  /// ticks later; a deadline of 2^32 - 1 never is. Repeating timers re-armed
  /// at tick + interval behave the same way.
  int installTimer(unsigned long timeout, KXTimerType type, KXEventListener* listener);

  /// removeTimer removes listener's timer of the given type, if any.
  /// Returns 0, or 20 for a null listener.
  int removeTimer(KXTimerType type, KXEventListener* listener);

  /// checkTimeouts reads the tick once and notifies, in ascending order of
  /// listener address, every one-shot timer whose deadline is less than the
  /// tick (then removes it), then every such repeating timer (then re-arms it
  /// at tick + interval, with no catch-up for missed periods). Each call of
  /// handleEvent gets a KXEvent with id 2000, param 0 and the timer type in
  /// data[0]. Returns 0.
  int checkTimeouts();

  static KXTimer* theInstance;  ///< the instance, or null

private:
  std::map<KXEventListener*, unsigned long> oneShotTimeouts;
  std::map<KXEventListener*, RepeatTimeout> repeatTimeouts;
};

}  // namespace KX

#endif
