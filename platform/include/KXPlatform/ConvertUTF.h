#ifndef KXPLATFORM_CONVERTUTF_H
#define KXPLATFORM_CONVERTUTF_H

#include <stdint.h>

#include "KXPlatformExport.h"

/// \file
/// Conversion between UTF-8 and UTF-32 in caller-provided buffers.
///
/// Both routines convert from *sourceStart up to sourceEnd into the room from
/// *targetStart up to targetEnd, one whole code point at a time, and move both
/// pointers past what they converted. They stop at the first obstacle:
///  - UTF_SOURCE_ILLEGAL: the source holds an ill-formed sequence; *sourceStart
///    is left at its first element.
///  - UTF_SOURCE_TRUNCATED (UTF-8 source only): the source ends inside a
///    sequence whose bytes so far are well-formed; *sourceStart is left at its
///    first byte.
///  - UTF_TARGET_FULL: the next code point does not fit into the room left;
///    *sourceStart is left at it.
///
/// Everything before the obstacle has been converted and stays in the target.
///
/// Well-formed means: UTF-32 values are Unicode scalar values (at most
/// U+10FFFF, no surrogate U+D800..U+DFFF); UTF-8 follows the table of
/// well-formed byte sequences of the Unicode Standard (no overlong form, no
/// surrogate, nothing above U+10FFFF, no byte C0, C1 or F5..FF, no stray
/// continuation byte).

typedef uint32_t UTF32;      ///< one code point
typedef unsigned char UTF8;  ///< one byte of UTF-8

/// The result of a conversion: success, or the obstacle it stopped at.
typedef enum {
  UTF_CONVERSION_OK = 0,     ///< the whole source was converted
  UTF_SOURCE_ILLEGAL = 1,    ///< the source holds an ill-formed sequence
  UTF_SOURCE_TRUNCATED = 2,  ///< the UTF-8 source ends inside a sequence
  UTF_TARGET_FULL = 3        ///< the next code point does not fit into the target
} UtfConversionStatus;

/// The conversion mode. Strict conversion is the only one; other values are
/// reserved and convert strictly as well.
typedef enum {
  UTF_STRICT = 0  ///< well-formed input only
} UtfConversionFlags;

#ifdef __cplusplus
extern "C" {
#endif

/// ConvertUTF32toUTF8 encodes UTF-32 values as UTF-8. Its result for a value
/// that is no scalar value is UTF_SOURCE_ILLEGAL, also when the target is full.
KX_PLATFORM_API UtfConversionStatus ConvertUTF32toUTF8(const UTF32** sourceStart,
                                                       const UTF32* sourceEnd, UTF8** targetStart,
                                                       UTF8* targetEnd, UtfConversionFlags flags);

/// ConvertUTF8toUTF32 decodes UTF-8 into UTF-32 values. With source left and
/// no room in the target its result is UTF_TARGET_FULL, whatever that source
/// holds.
KX_PLATFORM_API UtfConversionStatus ConvertUTF8toUTF32(const UTF8** sourceStart,
                                                       const UTF8* sourceEnd, UTF32** targetStart,
                                                       UTF32* targetEnd, UtfConversionFlags flags);

#ifdef __cplusplus
}
#endif

#endif
