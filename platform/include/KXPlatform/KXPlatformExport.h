#ifndef KXPLATFORM_KXPLATFORMEXPORT_H
#define KXPLATFORM_KXPLATFORMEXPORT_H

/// \file
/// The export macro KX_PLATFORM_API.

/// KX_PLATFORM_API marks the symbols that the platform library exports; the
/// library is built with hidden visibility, so everything else stays private.
#define KX_PLATFORM_API __attribute__((visibility("default")))

#endif
