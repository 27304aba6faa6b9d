// Rijndael block cipher engine: FIPS-197 AES for 128-bit blocks, and the
// Rijndael definition (same round function, block length as a parameter)
// for 192- and 256-bit blocks.
//
// The engine carries no constant tables. Everything is computed once per
// process from GF(2^8) arithmetic (FIPS-197 section 4) when the first AES
// object is constructed. The block transform is the classic four-table form
// (FIPS-197 sections 5.1 and 5.3.5): a full round costs four lookups and
// four XORs per column, and the last round uses byte-placed S-box tables so
// that it needs no masks or shifts.
//
// Word convention: byte k of a 32-bit word (bits 8k..8k+7) is row k of a
// state column. Columns are loaded and stored with an explicit little-endian
// conversion, so the code is byte-order neutral and never needs alignment.

// Programming errors are caught by assertions in every build type.
#undef NDEBUG
#include <cassert>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "KXAPI/AES.h"

// assert(!"Unknown mode!") is the engine's diagnostic for a bad mode: the
// string literal converted to bool is the point, not a slip.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wstring-conversion"
#endif
#include "aes/aes_internal.h"

using u32 = std::uint32_t;

// ---------------------------------------------------------------------------
// Process-wide tables. Zero until built, read-only afterwards.

static unsigned char GF2_8_inverse[256];
static unsigned char Sbox[256];
static unsigned char InvSbox[256];
static u32 Rcon[aes_internal::kRconSize];
alignas(64) static u32 T0[256];
alignas(64) static u32 T1[256];
alignas(64) static u32 T2[256];
alignas(64) static u32 T3[256];
alignas(64) static u32 S0[256];
alignas(64) static u32 S1[256];
alignas(64) static u32 S2[256];
alignas(64) static u32 S3[256];
alignas(64) static u32 D0[256];
alignas(64) static u32 D1[256];
alignas(64) static u32 D2[256];
alignas(64) static u32 D3[256];
alignas(64) static u32 IS0[256];
alignas(64) static u32 IS1[256];
alignas(64) static u32 IS2[256];
alignas(64) static u32 IS3[256];
static bool tablesInitialized = false;
static int tableBuildCount = 0;

// ---------------------------------------------------------------------------
// Field arithmetic and table construction.

unsigned char GF2_8_mult(unsigned char a, unsigned char b) {
  unsigned char p = 0;
  for (int i = 0; i < 8; ++i) {
    if (b & 1) {
      p ^= a;
    }
    const bool carry = (a & 0x80) != 0;
    a = static_cast<unsigned char>(a << 1);
    if (carry) {
      a ^= 0x1B;
    }
    b >>= 1;
  }
  return p;
}

namespace {

// Checks the multiplication against known products, then fills the inverse
// table by exhaustive search. With rebuild false an inverse table that is
// already filled is kept; the products are checked either way.
bool CheckInverses(bool rebuild) {
  // The diagnostic of a failed check quotes the expression as written here.
  // clang-format off
  assert(GF2_8_mult(0x57,0x13) == 0xFE);
  assert(GF2_8_mult(0x01,0x01) == 0x01);
  assert(GF2_8_mult(0xFF,0x55) == 0xF8);
  // clang-format on
  if (!rebuild && GF2_8_inverse[1] == 1) {
    return true;
  }
  GF2_8_inverse[0] = 0;
  for (int x = 1; x < 256; ++x) {
    int y = 1;
    while (GF2_8_mult(static_cast<unsigned char>(x), static_cast<unsigned char>(y)) != 1) {
      ++y;
    }
    GF2_8_inverse[x] = static_cast<unsigned char>(y);
  }
  return true;
}

}  // namespace

static unsigned char Rotl8(unsigned char b, int n) {
  return static_cast<unsigned char>((b << n) | (b >> (8 - n)));
}

// The S-box: inverse, then the affine transformation of FIPS-197 5.1.1.
static bool BuildSbox() {
  if (!CheckInverses(false)) {
    return false;
  }
  for (int x = 0; x < 256; ++x) {
    const unsigned char b = GF2_8_inverse[x];
    // Bit i gets b_i ^ b_(i+4) ^ b_(i+5) ^ b_(i+6) ^ b_(i+7): the byte XORed
    // with its left rotations by 1 to 4.
    Sbox[x] = static_cast<unsigned char>(b ^ Rotl8(b, 1) ^ Rotl8(b, 2) ^ Rotl8(b, 3) ^ Rotl8(b, 4) ^
                                         0x63);
  }
  return true;
}

static u32 Rotl32(u32 w, int n) { return (w << n) | (w >> (32 - n)); }

static u32 Pack(unsigned char b0, unsigned char b1, unsigned char b2, unsigned char b3) {
  return u32{b0} | (u32{b1} << 8) | (u32{b2} << 16) | (u32{b3} << 24);
}

static bool InitializeTables() {
  ++tableBuildCount;
  bool result = CheckInverses(true);
  if (!BuildSbox()) {
    result = false;
  }

  if (result) {
    for (int v = 0; v < 256; ++v) {
      int i = 0;
      while (Sbox[i] != v) {
        ++i;
      }
      InvSbox[v] = static_cast<unsigned char>(i);
    }
  }

  Rcon[0] = 0;
  unsigned char r = 1;
  for (int i = 1; i < aes_internal::kRconSize; ++i) {
    Rcon[i] = r;
    r = GF2_8_mult(r, 0x02);
  }

  for (int x = 0; x < 256; ++x) {
    const unsigned char s = Sbox[x];
    const unsigned char t = InvSbox[x];
    const u32 te = Pack(GF2_8_mult(0x02, s), s, s, GF2_8_mult(0x03, s));
    T0[x] = te;
    T1[x] = Rotl32(te, 8);
    T2[x] = Rotl32(te, 16);
    T3[x] = Rotl32(te, 24);
    S0[x] = u32{s};
    S1[x] = u32{s} << 8;
    S2[x] = u32{s} << 16;
    S3[x] = u32{s} << 24;
    const u32 td =
        Pack(GF2_8_mult(0x0E, t), GF2_8_mult(0x09, t), GF2_8_mult(0x0D, t), GF2_8_mult(0x0B, t));
    D0[x] = td;
    D1[x] = Rotl32(td, 8);
    D2[x] = Rotl32(td, 16);
    D3[x] = Rotl32(td, 24);
    IS0[x] = u32{t};
    IS1[x] = u32{t} << 8;
    IS2[x] = u32{t} << 16;
    IS3[x] = u32{t} << 24;
  }
  return result;
}

// Runs the build on the first construction in the process. A function-local
// static is initialised exactly once even when threads race here; when its
// initialiser throws, the next construction runs it again.
static void EnsureTables() {
  static const bool ready = [] {
    if (!tablesInitialized) {
      tablesInitialized = InitializeTables();
    }
    if (!tablesInitialized) {
      throw "Tables failed to initialize";
    }
    return true;
  }();
  (void)ready;
}

namespace aes_internal {

TableView Tables() {
  return TableView{GF2_8_inverse,    Sbox,
                   InvSbox,          Rcon,
                   {T0, T1, T2, T3}, {S0, S1, S2, S3},
                   {D0, D1, D2, D3}, {IS0, IS1, IS2, IS3}};
}

int TableBuildCount() { return tableBuildCount; }

}  // namespace aes_internal

// ---------------------------------------------------------------------------
// Byte-order neutral word access: byte 0 in memory is row 0 (bits 0..7).
// On a little-endian host the memcpy is a plain load.

static inline u32 LoadWord(const unsigned char* p) {
  u32 v;
  std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap32(v);
#endif
  return v;
}

static inline void StoreWord(unsigned char* p, u32 v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap32(v);
#endif
  std::memcpy(p, &v, sizeof v);
}

// ---------------------------------------------------------------------------
// Parameters and key schedule.

AES::AES() {
  EnsureTables();
  std::memset(W, 0, sizeof W);
  Nb = 0;
  Nk = 0;
  Nr = 0;
}

static bool IsLength(int bits) { return bits == 128 || bits == 192 || bits == 256; }

void AES::SetParameters(int keylength, int blocklength) {
  static const int kRounds[3][3] = {{10, 12, 14}, {12, 12, 14}, {14, 14, 14}};
  Nb = 0;
  Nk = 0;
  Nr = 0;
  if (!IsLength(keylength) || !IsLength(blocklength)) {
    return;
  }
  Nb = blocklength / 32;
  Nk = keylength / 32;
  Nr = kRounds[(Nb - 4) / 2][(Nk - 4) / 2];
}

void AES::KeyExpansion(const unsigned char* key) {
  assert(Nk > 0);
  std::memcpy(W, key, 4 * static_cast<std::size_t>(Nk));
  const int words = Nb * (Nr + 1);
  for (int i = Nk; i < words; ++i) {
    const unsigned char* prev = &W[4 * (i - 1)];
    unsigned char temp[4] = {prev[0], prev[1], prev[2], prev[3]};
    if (i % Nk == 0) {
      // SubWord(RotWord(temp)) ^ Rcon: Rcon touches row 0 only.
      const unsigned char first = temp[0];
      temp[0] = static_cast<unsigned char>(Sbox[temp[1]] ^ Rcon[i / Nk]);
      temp[1] = Sbox[temp[2]];
      temp[2] = Sbox[temp[3]];
      temp[3] = Sbox[first];
    } else if (Nk > 6 && i % Nk == 4) {
      for (unsigned char& b : temp) {
        b = Sbox[b];
      }
    }
    const unsigned char* back = &W[4 * (i - Nk)];
    unsigned char* word = &W[4 * i];
    for (int r = 0; r < 4; ++r) {
      word[r] = static_cast<unsigned char>(back[r] ^ temp[r]);
    }
  }
}

void AES::StartEncryption(const unsigned char* key) { KeyExpansion(key); }

void AES::StartDecryption(const unsigned char* key) {
  KeyExpansion(key);

  // Round keys 1 .. Nr-1 go through InvMixColumns (equivalent inverse
  // cipher). D_k[Sbox[b]] is column k of the InvMixColumns matrix times b,
  // the very products GF2_8_mult gives, so four lookups replace sixteen
  // bit-serial multiplications per word.
  for (int i = Nb; i < Nr * Nb; ++i) {
    unsigned char* w = &W[4 * i];
    StoreWord(w, D0[Sbox[w[0]]] ^ D1[Sbox[w[1]]] ^ D2[Sbox[w[2]]] ^ D3[Sbox[w[3]]]);
  }

  // Reverse the round keys so that DecryptBlock walks W forwards.
  const std::size_t roundBytes = 4 * static_cast<std::size_t>(Nb);
  const std::size_t rounds = static_cast<std::size_t>(Nr);
  for (std::size_t j = 0; j < rounds / 2; ++j) {
    unsigned char tmp[32];
    unsigned char* a = &W[j * roundBytes];
    unsigned char* b = &W[(rounds - j) * roundBytes];
    std::memcpy(tmp, a, roundBytes);
    std::memcpy(a, b, roundBytes);
    std::memcpy(b, tmp, roundBytes);
  }
}

// ---------------------------------------------------------------------------
// Block transform. One instance per block width; the column computations of
// a round are generated in full at compile time, and the state stays in
// registers. Rounds are run in pairs, alternating between two states, so no
// state is copied; Nr - 1 full rounds is always odd.

namespace {

// ShiftRows offsets C1, C2, C3 per block width.
template <std::size_t NB>
struct Shifts {
  static constexpr std::size_t c1 = 1;
  static constexpr std::size_t c2 = NB == 8 ? 3 : 2;
  static constexpr std::size_t c3 = NB == 8 ? 4 : 3;
};

template <std::size_t NB>
using Columns = std::make_index_sequence<NB>;

template <std::size_t NB, std::size_t... C>
inline void AddKey(u32 (&a)[NB], const unsigned char* in, const unsigned char* k,
                   std::index_sequence<C...>) {
  ((a[C] = LoadWord(in + 4 * C) ^ LoadWord(k + 4 * C)), ...);
}

template <std::size_t NB, std::size_t... C>
inline void EncRound(const u32 (&a)[NB], u32 (&t)[NB], const unsigned char* k,
                     std::index_sequence<C...>) {
  using S = Shifts<NB>;
  ((t[C] = T0[a[C] & 0xFF] ^ T1[(a[(C + S::c1) % NB] >> 8) & 0xFF] ^
           T2[(a[(C + S::c2) % NB] >> 16) & 0xFF] ^ T3[a[(C + S::c3) % NB] >> 24] ^
           LoadWord(k + 4 * C)),
   ...);
}

template <std::size_t NB, std::size_t... C>
inline void EncLast(const u32 (&a)[NB], unsigned char* out, const unsigned char* k,
                    std::index_sequence<C...>) {
  using S = Shifts<NB>;
  (StoreWord(out + 4 * C, S0[a[C] & 0xFF] ^ S1[(a[(C + S::c1) % NB] >> 8) & 0xFF] ^
                              S2[(a[(C + S::c2) % NB] >> 16) & 0xFF] ^
                              S3[a[(C + S::c3) % NB] >> 24] ^ LoadWord(k + 4 * C)),
   ...);
}

template <std::size_t NB, std::size_t... C>
inline void DecRound(const u32 (&a)[NB], u32 (&t)[NB], const unsigned char* k,
                     std::index_sequence<C...>) {
  using S = Shifts<NB>;
  ((t[C] = D0[a[C] & 0xFF] ^ D1[(a[(C + NB - S::c1) % NB] >> 8) & 0xFF] ^
           D2[(a[(C + NB - S::c2) % NB] >> 16) & 0xFF] ^ D3[a[(C + NB - S::c3) % NB] >> 24] ^
           LoadWord(k + 4 * C)),
   ...);
}

template <std::size_t NB, std::size_t... C>
inline void DecLast(const u32 (&a)[NB], unsigned char* out, const unsigned char* k,
                    std::index_sequence<C...>) {
  using S = Shifts<NB>;
  (StoreWord(out + 4 * C, IS0[a[C] & 0xFF] ^ IS1[(a[(C + NB - S::c1) % NB] >> 8) & 0xFF] ^
                              IS2[(a[(C + NB - S::c2) % NB] >> 16) & 0xFF] ^
                              IS3[a[(C + NB - S::c3) % NB] >> 24] ^ LoadWord(k + 4 * C)),
   ...);
}

using BlockFn = void (*)(const unsigned char* in, unsigned char* out, const unsigned char* w,
                         int nr);

// One block through all Nr rounds, forwards or (with the decryption
// schedule) inverse. Both state arrays are written in full before the output
// is stored, so in and out may be the same block.
template <std::size_t NB, bool Inverse>
void BlockCore(const unsigned char* in, unsigned char* out, const unsigned char* w, int nr) {
  constexpr Columns<NB> cols;
  constexpr std::size_t step = 4 * NB;
  const auto round = [&cols](const u32(&from)[NB], u32(&to)[NB], const unsigned char* k) {
    if constexpr (Inverse) {
      DecRound<NB>(from, to, k, cols);
    } else {
      EncRound<NB>(from, to, k, cols);
    }
  };
  u32 a[NB], t[NB];
  AddKey<NB>(a, in, w, cols);
  round(a, t, w += step);
  for (int pairs = (nr - 2) / 2; pairs > 0; --pairs) {
    round(t, a, w += step);
    round(a, t, w += step);
  }
  if constexpr (Inverse) {
    DecLast<NB>(t, out, w + step, cols);
  } else {
    EncLast<NB>(t, out, w + step, cols);
  }
}

// The combinations SetParameters can produce: Nr = max(Nk, Nb) + 6 with
// Nk in {4, 6, 8}. Anything else (Nb == 0 before parameters are accepted)
// selects no routine, and the callers then touch no data.
bool Accepted(int nb, int nr) {
  return (nb == 4 || nb == 6 || nb == 8) && (nr == 10 || nr == 12 || nr == 14) && nr >= nb + 6;
}

BlockFn SelectEncrypt(int nb, int nr) {
  if (!Accepted(nb, nr)) {
    return nullptr;
  }
  return nb == 4 ? BlockCore<4, false> : nb == 6 ? BlockCore<6, false> : BlockCore<8, false>;
}

BlockFn SelectDecrypt(int nb, int nr) {
  if (!Accepted(nb, nr)) {
    return nullptr;
  }
  return nb == 4 ? BlockCore<4, true> : nb == 6 ? BlockCore<6, true> : BlockCore<8, true>;
}

}  // namespace

void AES::EncryptBlock(const unsigned char* datain, unsigned char* dataout) {
  if (const BlockFn fn = SelectEncrypt(Nb, Nr)) {
    fn(datain, dataout, W, Nr);
  }
}

void AES::DecryptBlock(const unsigned char* datain, unsigned char* dataout) {
  if (const BlockFn fn = SelectDecrypt(Nb, Nr)) {
    fn(datain, dataout, W, Nr);
  }
}

// ---------------------------------------------------------------------------
// Chaining modes (NIST SP 800-38A), CBC with an all-zero IV in every call.

static_assert(sizeof(AES::BlockMode) == sizeof(int), "BlockMode is int-sized");

// A caller may pass any int cast to BlockMode; read its bits as an int so
// that an out-of-range value is examined without an enum load.
static int ModeValue(const AES::BlockMode& mode) {
  int m;
  std::memcpy(&m, &mode, sizeof m);
  return m;
}

// What Encrypt and Decrypt check before their loops, in this order: no
// blocks touch nothing, a mode other than ECB and CBC is a programming error,
// and without accepted parameters there is no block routine. Returns the
// routine to run, or null when there is nothing to do.
static BlockFn RoutineForRun(unsigned long numBlocks, const AES::BlockMode& mode, BlockFn routine) {
  if (numBlocks == 0) {
    return nullptr;
  }
  const int m = ModeValue(mode);
  if (m != AES::ECB && m != AES::CBC) {
    assert(!"Unknown mode!");
  }
  return routine;
}

static void RunEcb(BlockFn fn, const unsigned char* datain, unsigned char* dataout,
                   unsigned long numBlocks, std::size_t B, const unsigned char* w, int nr) {
  for (unsigned long k = 0; k < numBlocks; ++k) {
    fn(datain + k * B, dataout + k * B, w, nr);
  }
}

void AES::Encrypt(const unsigned char* datain, unsigned char* dataout, unsigned long numBlocks,
                  BlockMode mode) {
  const BlockFn fn = RoutineForRun(numBlocks, mode, SelectEncrypt(Nb, Nr));
  if (fn == nullptr) {
    return;
  }
  const std::size_t B = 4 * static_cast<std::size_t>(Nb);
  if (mode == ECB) {
    RunEcb(fn, datain, dataout, numBlocks, B, W, Nr);
    return;
  }
  unsigned char chain[64] = {};
  for (unsigned long k = 0; k < numBlocks; ++k) {
    const unsigned char* in = datain + k * B;
    unsigned char* out = dataout + k * B;
    for (std::size_t i = 0; i < B; ++i) {
      chain[i] ^= in[i];
    }
    fn(chain, out, W, Nr);
    std::memcpy(chain, out, B);
  }
}

void AES::Decrypt(const unsigned char* datain, unsigned char* dataout, unsigned long numBlocks,
                  BlockMode mode) {
  const BlockFn fn = RoutineForRun(numBlocks, mode, SelectDecrypt(Nb, Nr));
  if (fn == nullptr) {
    return;
  }
  const std::size_t B = 4 * static_cast<std::size_t>(Nb);
  if (mode == ECB) {
    RunEcb(fn, datain, dataout, numBlocks, B, W, Nr);
    return;
  }
  // The previous cipher block is read from datain after the previous output
  // block has been written, so several blocks need separate buffers.
  const unsigned char chain[64] = {};
  const unsigned char* prev = chain;
  for (unsigned long k = 0; k < numBlocks; ++k) {
    const unsigned char* in = datain + k * B;
    unsigned char* out = dataout + k * B;
    fn(in, out, W, Nr);
    for (std::size_t i = 0; i < B; ++i) {
      out[i] ^= prev[i];
    }
    prev = in;
  }
}
