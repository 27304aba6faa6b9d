// UTF-8 that converts to wide text must convert back to the same bytes, and
// the wide text must hold only Unicode scalar values.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KXAPI/KXStringConversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::wstring wide = KX::convertToUtf16(text);  // empty: rejected (or empty) input
  for (const wchar_t c : wide) {
    const auto v = static_cast<std::uint32_t>(c);
    if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) std::abort();
  }
  if (!wide.empty() && KX::convertToUtf8(wide) != text) std::abort();
  return 0;
}
