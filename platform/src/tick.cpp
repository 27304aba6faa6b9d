#include "KXPlatform/KXTick.h"

#include <ctime>

namespace KX {

unsigned long KXTick::getTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  // Unsigned arithmetic: the count wraps at the width of unsigned long.
  return static_cast<unsigned long>(now.tv_sec) * 1000UL +
         static_cast<unsigned long>(now.tv_nsec / 1000000);
}

}  // namespace KX
