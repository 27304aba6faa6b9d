#ifndef KX_UTILITY_AES_INTERNAL_H
#define KX_UTILITY_AES_INTERNAL_H

// Internal view of the cipher engine's process-wide tables, for white-box
// tests. Nothing here is exported from the shared library.

#include <cstdint>

#define KX_HIDDEN __attribute__((visibility("hidden")))

// GF2_8_mult multiplies two elements of GF(2^8) modulo x^8+x^4+x^3+x+1,
// bit by bit.
KX_HIDDEN unsigned char GF2_8_mult(unsigned char a, unsigned char b);

namespace aes_internal {

// Read-only pointers to the tables; valid (and filled) once an AES object
// has been constructed in the process.
struct TableView {
  const unsigned char* inverse;  // GF2_8_inverse, 256 entries
  const unsigned char* sbox;     // 256 entries
  const unsigned char* invSbox;  // 256 entries
  const std::uint32_t* rcon;     // kRconSize entries
  const std::uint32_t* t[4];     // full encryption round
  const std::uint32_t* s[4];     // final encryption round
  const std::uint32_t* d[4];     // full decryption round
  const std::uint32_t* is[4];    // final decryption round
};

constexpr int kRconSize = 59;

KX_HIDDEN TableView Tables();

// How often the table build has run in this process.
KX_HIDDEN int TableBuildCount();

}  // namespace aes_internal

#endif
