#include "KXPlatform/KXEvent.h"

namespace KX {

// Out of line, so that the virtual table and type information of the
// interface live in this library only.
KXEventListener::~KXEventListener() = default;

}  // namespace KX
