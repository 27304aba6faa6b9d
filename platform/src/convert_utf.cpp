// UTF-8 <-> UTF-32 after the Unicode Standard, chapter 3 (D92 and the table
// of well-formed UTF-8 byte sequences, Table 3-7). Runs of ASCII take a fast
// path that moves four units per step; everything else goes one code point at
// a time with explicit range checks, so that every ill-formed input stops the
// conversion at the start of the offending sequence.
#include "KXPlatform/ConvertUTF.h"

#include <cstring>

namespace {

constexpr UTF32 kMaxScalar = 0x10FFFF;

bool isSurrogate(UTF32 c) { return c >= 0xD800 && c <= 0xDFFF; }

bool isContinuation(UTF8 b) { return (b & 0xC0) == 0x80; }

}  // namespace

extern "C" UtfConversionStatus ConvertUTF32toUTF8(const UTF32** sourceStart, const UTF32* sourceEnd,
                                                  UTF8** targetStart, UTF8* targetEnd,
                                                  UtfConversionFlags) {
  const UTF32* src = *sourceStart;
  UTF8* dst = *targetStart;
  UtfConversionStatus status = UTF_CONVERSION_OK;

  while (src < sourceEnd) {
    // ASCII run: four values at a time while both sides have room.
    while (sourceEnd - src >= 4 && targetEnd - dst >= 4 &&
           (src[0] | src[1] | src[2] | src[3]) < 0x80) {
      dst[0] = static_cast<UTF8>(src[0]);
      dst[1] = static_cast<UTF8>(src[1]);
      dst[2] = static_cast<UTF8>(src[2]);
      dst[3] = static_cast<UTF8>(src[3]);
      src += 4;
      dst += 4;
    }
    if (src == sourceEnd) {
      break;
    }

    const UTF32 c = *src;
    int length;
    if (c < 0x80) {
      length = 1;
    } else if (c < 0x800) {
      length = 2;
    } else if (c < 0x10000) {
      if (isSurrogate(c)) {
        status = UTF_SOURCE_ILLEGAL;
        break;
      }
      length = 3;
    } else if (c <= kMaxScalar) {
      length = 4;
    } else {
      status = UTF_SOURCE_ILLEGAL;
      break;
    }
    if (targetEnd - dst < length) {
      status = UTF_TARGET_FULL;
      break;
    }
    switch (length) {
      case 1:
        dst[0] = static_cast<UTF8>(c);
        break;
      case 2:
        dst[0] = static_cast<UTF8>(0xC0 | (c >> 6));
        dst[1] = static_cast<UTF8>(0x80 | (c & 0x3F));
        break;
      case 3:
        dst[0] = static_cast<UTF8>(0xE0 | (c >> 12));
        dst[1] = static_cast<UTF8>(0x80 | ((c >> 6) & 0x3F));
        dst[2] = static_cast<UTF8>(0x80 | (c & 0x3F));
        break;
      default:
        dst[0] = static_cast<UTF8>(0xF0 | (c >> 18));
        dst[1] = static_cast<UTF8>(0x80 | ((c >> 12) & 0x3F));
        dst[2] = static_cast<UTF8>(0x80 | ((c >> 6) & 0x3F));
        dst[3] = static_cast<UTF8>(0x80 | (c & 0x3F));
        break;
    }
    dst += length;
    ++src;
  }

  *sourceStart = src;
  *targetStart = dst;
  return status;
}

extern "C" UtfConversionStatus ConvertUTF8toUTF32(const UTF8** sourceStart, const UTF8* sourceEnd,
                                                  UTF32** targetStart, UTF32* targetEnd,
                                                  UtfConversionFlags) {
  const UTF8* src = *sourceStart;
  UTF32* dst = *targetStart;
  UtfConversionStatus status = UTF_CONVERSION_OK;

  while (src < sourceEnd) {
    // ASCII run: one 32-bit load tests four bytes for the high bit.
    while (sourceEnd - src >= 4 && targetEnd - dst >= 4) {
      uint32_t word;
      std::memcpy(&word, src, sizeof word);
      if ((word & 0x80808080u) != 0) {
        break;
      }
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
      dst[3] = src[3];
      src += 4;
      dst += 4;
    }
    if (src == sourceEnd) {
      break;
    }
    if (dst == targetEnd) {
      status = UTF_TARGET_FULL;
      break;
    }

    const UTF8 lead = src[0];
    if (lead < 0x80) {
      *dst++ = lead;
      ++src;
      continue;
    }

    // Below C2: a stray continuation byte or an overlong C0/C1 form; above
    // F4: a value beyond U+10FFFF.
    if (lead < 0xC2 || lead > 0xF4) {
      status = UTF_SOURCE_ILLEGAL;
      break;
    }

    // The lead byte gives the length, the value bits it carries and the
    // range of the second byte; Table 3-7 narrows that range after E0, ED,
    // F0 and F4 to exclude overlong forms, surrogates and values above
    // U+10FFFF. Later bytes are plain continuation bytes 80..BF.
    int length;
    UTF32 c;
    UTF8 low = 0x80;
    UTF8 high = 0xBF;
    if (lead < 0xE0) {
      length = 2;
      c = lead & 0x1F;
    } else if (lead < 0xF0) {
      length = 3;
      c = lead & 0x0F;
      if (lead == 0xE0) {
        low = 0xA0;
      } else if (lead == 0xED) {
        high = 0x9F;
      }
    } else {
      length = 4;
      c = lead & 0x07;
      if (lead == 0xF0) {
        low = 0x90;
      } else if (lead == 0xF4) {
        high = 0x8F;
      }
    }

    const auto available = sourceEnd - src;
    int i = 1;
    for (; i < length; ++i) {
      if (i >= available) {
        status = UTF_SOURCE_TRUNCATED;
        break;
      }
      const UTF8 b = src[i];
      const bool ok = i == 1 ? (b >= low && b <= high) : isContinuation(b);
      if (!ok) {
        status = UTF_SOURCE_ILLEGAL;
        break;
      }
      c = (c << 6) | (b & 0x3F);
    }
    if (status != UTF_CONVERSION_OK) {
      break;
    }
    *dst++ = c;
    src += length;
  }

  *sourceStart = src;
  *targetStart = dst;
  return status;
}
