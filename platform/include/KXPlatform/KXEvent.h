#ifndef KXPLATFORM_KXEVENT_H
#define KXPLATFORM_KXEVENT_H

#include <cstdint>

#include "KXPlatformExport.h"

/// \file
/// Events and the interface of their listeners.

namespace KX {

/// KXEvent is the 48-byte record handed to event listeners.
struct KXEvent {
  std::int32_t id;        ///< what happened, e.g. 2000 for a timer expiry
  std::int32_t param;     ///< event-specific parameter
  std::int32_t data[10];  ///< event-specific payload
};

static_assert(sizeof(KXEvent) == 48, "KXEvent is a 48-byte record");

/// KXEventListener is implemented by host classes that receive events.
/// handleEvent must stay the first virtual function: senders call it through
/// the first slot of the virtual table.
class KX_PLATFORM_API KXEventListener {
public:
  /// handleEvent receives an event, synchronously, on the sender's thread.
  virtual void handleEvent(KXEvent& event) = 0;
  /// ~KXEventListener is virtual, so that a listener can be destroyed
  /// through this interface.
  virtual ~KXEventListener();
};

}  // namespace KX

#endif
