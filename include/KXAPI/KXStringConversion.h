#ifndef KXAPI_KXSTRINGCONVERSION_H
#define KXAPI_KXSTRINGCONVERSION_H

#include <string>

#include "KXExport.h"

/// \file
/// Conversion between UTF-8 strings and UTF-32 wide strings. Each function
/// throws std::bad_alloc when its result cannot be allocated, and leaks
/// nothing.

namespace KX {

/// convertToUtf8 converts UTF-32 wide text (one code point per wchar_t) to
/// UTF-8. Returns "" when the text holds a value that is no Unicode scalar
/// value (a surrogate or above U+10FFFF).
KX_API std::string convertToUtf8(const std::wstring& text);

/// convertToUtf16 converts UTF-8 text to wide text holding one code point per
/// wchar_t (UTF-32, despite the name). Returns an empty string when the text
/// is not well-formed UTF-8.
KX_API std::wstring convertToUtf16(const std::string& text);

}  // namespace KX

#endif
