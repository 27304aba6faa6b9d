// Wide <-> narrow strings through the platform's strict UTF routines. The work
// area is sized for the worst case, so each conversion is a single call.
#include "KXAPI/KXStringConversion.h"

#include "KXPlatform/ConvertUTF.h"

namespace KX {

// The routines take UTF32, the strings hold wchar_t. Both are 32-bit integers
// with the same representation for every value involved (at most 0x10FFFF on
// output; any bit pattern on input, which is only compared and rejected or
// encoded). The pointers are reinterpreted rather than the text copied; the
// accesses happen inside the platform library, out of the optimiser's sight.
static_assert(sizeof(wchar_t) == sizeof(UTF32), "wide strings hold 32-bit code points");
static_assert(alignof(wchar_t) == alignof(UTF32), "wide strings hold 32-bit code points");

std::string convertToUtf8(const std::wstring& text) {
  const auto n = text.size();
  std::string work(4 * n + 1, '\0');  // at most 4 bytes per code point

  const UTF32* source = reinterpret_cast<const UTF32*>(text.data());
  UTF8* const begin = reinterpret_cast<UTF8*>(&work[0]);
  UTF8* target = begin;
  if (ConvertUTF32toUTF8(&source, source + n, &target, begin + work.size(), UTF_STRICT) !=
      UTF_CONVERSION_OK) {
    return std::string();
  }
  work.resize(static_cast<std::string::size_type>(target - begin));
  return work;
}

std::wstring convertToUtf16(const std::string& text) {
  const auto n = text.size();
  std::wstring work(n, L'\0');  // at least 1 byte per code point

  const UTF8* source = reinterpret_cast<const UTF8*>(text.data());
  UTF32* const begin = reinterpret_cast<UTF32*>(&work[0]);
  UTF32* target = begin;
  if (ConvertUTF8toUTF32(&source, source + n, &target, begin + n, UTF_STRICT) !=
      UTF_CONVERSION_OK) {
    return std::wstring();
  }
  work.resize(static_cast<std::wstring::size_type>(target - begin));
  return work;
}

}  // namespace KX
