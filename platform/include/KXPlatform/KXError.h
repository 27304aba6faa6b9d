#ifndef KXPLATFORM_KXERROR_H
#define KXPLATFORM_KXERROR_H

#include <string>

#include "KXPlatformExport.h"

/// \file
/// The device's error reporter.

namespace KX {

/// kxPrintError reports a failure of the device software. The stand-in writes
/// one line to standard error: "KX error <code>: <message>".
///
/// The utility library calls it through the dynamic linker, so a host program
/// (or a test) that defines this function itself replaces the stand-in.
KX_PLATFORM_API void kxPrintError(int code, std::string message);

}  // namespace KX

#endif
