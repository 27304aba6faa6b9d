#ifndef KXPLATFORM_KXTICK_H
#define KXPLATFORM_KXTICK_H

#include "KXPlatformExport.h"

/// \file
/// The device's tick counter.

namespace KX {

/// KXTick is the device's tick counter.
class KX_PLATFORM_API KXTick {
public:
  /// getTickCount returns milliseconds of CLOCK_MONOTONIC, truncated to the
  /// width of unsigned long (32 bits on the device, so it wraps after about
  /// 49.7 days). A host or a test that defines this function replaces it.
  static unsigned long getTickCount();
};

}  // namespace KX

#endif
