#ifndef KXAPI_KXOSBUILDDATE_H
#define KXAPI_KXOSBUILDDATE_H

#include "KXExport.h"

namespace KX {

// The running kernel's build date, read anew from the time stamp at the end
// of "/proc/version" on every call. Each returns -1 when the line has too
// few blank-separated tokens; the month also when its token is not one of
// "Jan" .. "Dec". Day and year are converted with strtol, base 0.
KX_API int getOSBuildDay();
KX_API int getOSBuildMonth();
KX_API int getOSBuildYear();

}  // namespace KX

#endif
