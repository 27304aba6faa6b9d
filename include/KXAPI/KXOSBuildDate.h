#ifndef KXAPI_KXOSBUILDDATE_H
#define KXAPI_KXOSBUILDDATE_H

#include "KXExport.h"

/// \file
/// The running kernel's build date.

namespace KX {

/// \name Kernel build date
/// The running kernel's build date, read anew from the time stamp at the end
/// of "/proc/version" on every call. Each returns -1 when the line has too
/// few blank-separated tokens; the month also when its token is not one of
/// "Jan" .. "Dec". Day and year are converted with strtol, base 0.
/// When memory runs out: std::bad_alloc from opening the file or splitting
/// the line passes through; during the line read or the copy of the token
/// it is absorbed and the result is -1.
///@{

/// getOSBuildDay returns the day of the month, the fourth token from the end.
KX_API int getOSBuildDay();
/// getOSBuildMonth returns the month, 1 to 12, named by the fifth token from
/// the end.
KX_API int getOSBuildMonth();
/// getOSBuildYear returns the year, the last token.
KX_API int getOSBuildYear();
///@}

}  // namespace KX

#endif
