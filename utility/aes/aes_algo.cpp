// Rijndael block cipher engine: FIPS-197 AES for 128-bit blocks, and the
// Rijndael definition (same round function, block length as a parameter)
// for 192- and 256-bit blocks.
//
// The engine carries no constant tables. Everything is computed once per
// process from GF(2^8) arithmetic (FIPS-197 section 4) when the first AES
// object is constructed. The block transform is the table form of FIPS-197
// sections 5.1 and 5.3.5: a full round costs four lookups and four XORs per
// column. Where the CPU rotates an operand for free (ARM's barrel shifter),
// one table per direction serves all four rows, since T1..T3 are T0 rotated
// by 8, 16 and 24 bits, and the last round reads the S-box bytes; elsewhere
// the four word tables and the byte-placed S-box tables are read.
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

using u32 = std::uint32_t;

constexpr int kRconSize = 59;

// ---------------------------------------------------------------------------
// Process-wide tables. Zero until built, read-only afterwards.

static unsigned char GF2_8_inverse[256];
static unsigned char Sbox[256];
static unsigned char InvSbox[256];
static u32 Rcon[kRconSize];
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

// ---------------------------------------------------------------------------
// Field arithmetic and table construction.

// Multiplication in GF(2^8) modulo x^8+x^4+x^3+x+1, bit by bit.
static unsigned char GF2_8_mult(unsigned char a, unsigned char b) {
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

static void PublishTransformTables();

static bool InitializeTables() {
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
  for (int i = 1; i < kRconSize; ++i) {
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
  PublishTransformTables();
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
    const unsigned char* prev = &W[4 * static_cast<std::size_t>(i - 1)];
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
    const unsigned char* back = &W[4 * static_cast<std::size_t>(i - Nk)];
    unsigned char* word = &W[4 * static_cast<std::size_t>(i)];
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
    unsigned char* w = &W[4 * static_cast<std::size_t>(i)];
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
// Block transform and chaining modes.
//
// One routine per block width and direction runs a whole buffer: the state
// stays in registers from the input words to the output words, CBC folds the
// chaining value into the first AddRoundKey, and a block costs no call. The
// columns of a round are generated in full at compile time. With 128-bit
// blocks the rounds are straight-line code: two-round steps for the 192- and
// 256-bit keys lead into the common nine rounds and the last one. The wider
// blocks run their rounds in pairs, alternating between two states.

namespace {

// A barrel shifter rotates an XOR operand at no cost: there T0 (D0) rotated
// stands in for T1..T3 (D1..D3), and the S-box bytes shifted for S0..S3
// (IS0..IS3). Elsewhere a rotation is an instruction of its own.
#if defined(__arm__) || defined(__aarch64__)
constexpr bool kFreeRotation = true;
#else
constexpr bool kFreeRotation = false;
#endif

// What the transform reads, stored by the table build. A run copies it into
// locals: the compiler then keeps the table addresses and the byte mask in
// registers, and a lookup is one AND with a shifted operand plus one load with
// a scaled index (ARMv6 has no bit-field extract, and a named array would be
// addressed from its section's base with an extra addition).
struct TransformTables {
  const u32* roundTables[2][4];      // [inverse] T0..T3 or D0..D3
  const u32* lastRoundTables[2][4];  // [inverse] S0..S3 or IS0..IS3
  const unsigned char* sbox[2];      // [inverse] Sbox or InvSbox
  u32 byteMask;
};
TransformTables transformTables;

}  // namespace

static void PublishTransformTables() {
  transformTables = TransformTables{{{T0, T1, T2, T3}, {D0, D1, D2, D3}},
                                    {{S0, S1, S2, S3}, {IS0, IS1, IS2, IS3}},
                                    {Sbox, InvSbox},
                                    0xFF};
}

namespace {

// A round key's words: in W (bytes), or in locals.
struct KeyBytes {
  const unsigned char* p;
  u32 operator()(std::size_t c) const { return LoadWord(p + 4 * c); }
};
struct KeyWords {
  const u32* p;
  u32 operator()(std::size_t c) const { return p[c]; }
};

// How a run chains its blocks: fixed at compile time, or by the run's flag.
enum class Chaining { kEcb, kCbc, kPerRun };

// The cipher over blocks of NB columns, forwards or (with the decryption
// schedule) the equivalent inverse cipher.
template <std::size_t NB, bool Inverse, Chaining Mode>
class Transform {
public:
  static constexpr std::size_t kBytes = 4 * NB;

  Transform() : t_(transformTables) {}

  // Runs n blocks from in to out under the schedule w of nr rounds.
  void Run(const unsigned char* in, unsigned char* out, unsigned long n, const unsigned char* w,
           int nr, bool cbc) const {
    if constexpr (NB == 4) {
      // The last ten round keys, read once per run: the compiler keeps them
      // in stack slots, which leaves the rounds one more register.
      u32 tail[40];
      LoadKeys(tail, w + kBytes * static_cast<std::size_t>(nr - 9), std::make_index_sequence<40>{});
      ForEachBlock(in, out, n, w, cbc, [&](u32(&a)[NB], u32(&b)[NB]) {
        for (int r = 1; r < nr - 9; r += 2) {
          FullRound(a, b, KeyBytes{w + kBytes * static_cast<std::size_t>(r)});
          FullRound(b, a, KeyBytes{w + kBytes * static_cast<std::size_t>(r + 1)});
        }
        TailRoundPairs(a, b, tail, std::make_index_sequence<4>{});
        FullRound(a, b, KeyWords{tail + 32});
        return KeyWords{tail + 36};
      });
    } else {
      ForEachBlock(in, out, n, w, cbc, [&](u32(&a)[NB], u32(&b)[NB]) {
        const unsigned char* k = w + kBytes;
        for (int left = nr - 1;; left -= 2, k += 2 * kBytes) {
          FullRound(a, b, KeyBytes{k});
          if (left == 1) {
            return KeyBytes{k + kBytes};
          }
          FullRound(b, a, KeyBytes{k + kBytes});
        }
      });
    }
  }

private:
  // The block loop around `rounds`, which takes the state after the first
  // AddRoundKey through the full rounds and returns the last round key.
  // CBC encryption folds the previous cipher block into the first
  // AddRoundKey: kept in locals when the mode is fixed, read back from out
  // otherwise. CBC decryption XORs each output with the previous input
  // block, read after the previous output has been written.
  template <typename Rounds>
  void ForEachBlock(const unsigned char* in, unsigned char* out, unsigned long n,
                    const unsigned char* w, bool cbc, Rounds&& rounds) const {
    const bool chained = Mode == Chaining::kCbc || (Mode == Chaining::kPerRun && cbc);
    u32 chain[NB] = {};
    const unsigned char* previous = nullptr;
    for (; n > 0; --n, previous = Inverse ? in : out, in += kBytes, out += kBytes) {
      u32 a[NB], b[NB];
      ForEachColumn([&](auto c) { a[c] = LoadWord(in + 4 * c) ^ LoadWord(w + 4 * c); });
      if constexpr (!Inverse && Mode == Chaining::kCbc) {
        ForEachColumn([&](auto c) { a[c] ^= chain[c]; });
      } else if (!Inverse && chained && previous != nullptr) {
        ForEachColumn([&](auto c) { a[c] ^= LoadWord(previous + 4 * c); });
      }
      const auto lastKey = rounds(a, b);
      ForEachColumn([&](auto c) { a[c] = LastRoundColumn<c>(b) ^ lastKey(c); });
      if constexpr (!Inverse && Mode == Chaining::kCbc) {
        ForEachColumn([&](auto c) { chain[c] = a[c]; });
      }
      if (Inverse && chained && previous != nullptr) {
        ForEachColumn([&](auto c) { a[c] ^= LoadWord(previous + 4 * c); });
      }
      ForEachColumn([&](auto c) { StoreWord(out + 4 * c, a[c]); });
    }
  }

  template <std::size_t... I>
  static void LoadKeys(u32 (&words)[sizeof...(I)], const unsigned char* k,
                       std::index_sequence<I...>) {
    ((words[I] = LoadWord(k + 4 * I)), ...);
  }

  // ShiftRows offsets C1, C2, C3; the inverse reads the columns the other way.
  static constexpr std::size_t ShiftRowsSource(std::size_t c, std::size_t row) {
    const std::size_t shift = row == 0   ? 0
                              : row == 1 ? 1
                              : row == 2 ? (NB == 8 ? 3 : 2)
                                         : (NB == 8 ? 4 : 3);
    return (Inverse ? c + NB - shift : c + shift) % NB;
  }

  template <typename F, std::size_t... C>
  static void ForEachColumn(F&& f, std::index_sequence<C...>) {
    (f(std::integral_constant<std::size_t, C>{}), ...);
  }
  template <typename F>
  static void ForEachColumn(F&& f) {
    ForEachColumn(f, std::make_index_sequence<NB>{});
  }

  // The byte of row Row of the column word x, as a table index.
  template <unsigned Row>
  u32 RowByte(u32 x) const {
    return Row == 3 ? x >> 24 : (x >> (8 * Row)) & (kFreeRotation ? t_.byteMask : 0xFFu);
  }

  static u32 Rotl(u32 w, unsigned n) { return (w << n) | (w >> ((32 - n) & 31)); }

  // Row Row's share of a full round's output column: SubBytes and MixColumns
  // of that row's byte of x.
  template <unsigned Row>
  u32 RoundTerm(u32 x) const {
    if constexpr (kFreeRotation) {
      return Rotl(t_.roundTables[Inverse][0][RowByte<Row>(x)], 8 * Row);
    } else {
      return t_.roundTables[Inverse][Row][RowByte<Row>(x)];
    }
  }

  // Row Row's share of the last round's output column: the S-box byte of
  // that row's byte of x, in its row (no MixColumns).
  template <unsigned Row>
  u32 LastRoundTerm(u32 x) const {
    if constexpr (kFreeRotation) {
      return u32{t_.sbox[Inverse][RowByte<Row>(x)]} << (8 * Row);
    } else {
      return t_.lastRoundTables[Inverse][Row][RowByte<Row>(x)];
    }
  }

  // Column C after the last round, before its round key.
  template <std::size_t C>
  u32 LastRoundColumn(const u32 (&a)[NB]) const {
    return LastRoundTerm<0>(a[C]) ^ LastRoundTerm<1>(a[ShiftRowsSource(C, 1)]) ^
           LastRoundTerm<2>(a[ShiftRowsSource(C, 2)]) ^ LastRoundTerm<3>(a[ShiftRowsSource(C, 3)]);
  }

  // One full round from `from` into `to` with the round key `key`.
  template <typename Key>
  void FullRound(const u32 (&from)[NB], u32 (&to)[NB], Key key) const {
    FullRound(from, to, key, std::make_index_sequence<NB>{});
  }

  template <typename Key, std::size_t... C>
  void FullRound(const u32 (&from)[NB], u32 (&to)[NB], Key key, std::index_sequence<C...>) const {
    ((to[C] = RoundTerm<0>(from[C]) ^ RoundTerm<1>(from[ShiftRowsSource(C, 1)]) ^
              RoundTerm<2>(from[ShiftRowsSource(C, 2)]) ^
              RoundTerm<3>(from[ShiftRowsSource(C, 3)]) ^ key(C)),
     ...);
  }

  // The unrolled pairs of full rounds whose keys are in tail, a to b to a.
  template <std::size_t... P>
  void TailRoundPairs(u32 (&a)[NB], u32 (&b)[NB], const u32* tail,
                      std::index_sequence<P...>) const {
    ((FullRound(a, b, KeyWords{tail + 8 * P}), FullRound(b, a, KeyWords{tail + 8 * P + 4})), ...);
  }

  const TransformTables t_;
};

// The combinations SetParameters can produce: Nr = max(Nk, Nb) + 6 with
// Nk in {4, 6, 8}. Anything else (Nb == 0 before parameters are accepted)
// selects no routine, and the callers then touch no data.
bool Accepted(int nb, int nr) {
  return (nb == 4 || nb == 6 || nb == 8) && (nr == 10 || nr == 12 || nr == 14) && nr >= nb + 6;
}

using RunFn = void (*)(const unsigned char* in, unsigned char* out, unsigned long n,
                       const unsigned char* w, int nr, bool cbc);

template <std::size_t NB, bool Inverse, Chaining Mode = Chaining::kPerRun>
void RunBlocks(const unsigned char* in, unsigned char* out, unsigned long n, const unsigned char* w,
               int nr, bool cbc) {
  Transform<NB, Inverse, Mode>().Run(in, out, n, w, nr, cbc);
}

// The routine for a run. Encryption of 128-bit blocks, the hot path, has one
// routine per mode, so that CBC keeps its chaining value in registers and
// ECB pays nothing for it; the other routines take the mode per run.
template <bool Inverse>
RunFn Select(int nb, int nr, bool cbc) {
  if (!Accepted(nb, nr)) {
    return nullptr;
  }
  if (nb == 4 && !Inverse) {
    return cbc ? RunBlocks<4, false, Chaining::kCbc> : RunBlocks<4, false, Chaining::kEcb>;
  }
  return nb == 4 ? RunBlocks<4, Inverse> : nb == 6 ? RunBlocks<6, Inverse> : RunBlocks<8, Inverse>;
}

static_assert(sizeof(AES::BlockMode) == sizeof(int), "BlockMode is int-sized");

// A caller may pass any int cast to BlockMode; read its bits as an int so
// that an out-of-range value is examined without an enum load.
int ModeValue(const AES::BlockMode& mode) {
  int m;
  std::memcpy(&m, &mode, sizeof m);
  return m;
}

}  // namespace

void AES::EncryptBlock(const unsigned char* datain, unsigned char* dataout) {
  if (const RunFn run = Select<false>(Nb, Nr, false)) {
    run(datain, dataout, 1, W, Nr, false);
  }
}

void AES::DecryptBlock(const unsigned char* datain, unsigned char* dataout) {
  if (const RunFn run = Select<true>(Nb, Nr, false)) {
    run(datain, dataout, 1, W, Nr, false);
  }
}

// ECB and CBC (NIST SP 800-38A), CBC from an all-zero chaining value in
// every call. No blocks touch nothing; a mode other than ECB and CBC is a
// programming error; without accepted parameters there is no routine.
void AES::Encrypt(const unsigned char* datain, unsigned char* dataout, unsigned long numBlocks,
                  BlockMode mode) {
  if (numBlocks == 0) {
    return;
  }
  const int m = ModeValue(mode);
  if (m != ECB && m != CBC) {
    assert(!"Unknown mode!");
  }
  if (const RunFn run = Select<false>(Nb, Nr, m == CBC)) {
    run(datain, dataout, numBlocks, W, Nr, m == CBC);
  }
}

void AES::Decrypt(const unsigned char* datain, unsigned char* dataout, unsigned long numBlocks,
                  BlockMode mode) {
  if (numBlocks == 0) {
    return;
  }
  const int m = ModeValue(mode);
  if (m != ECB && m != CBC) {
    assert(!"Unknown mode!");
  }
  if (const RunFn run = Select<true>(Nb, Nr, m == CBC)) {
    run(datain, dataout, numBlocks, W, Nr, m == CBC);
  }
}
