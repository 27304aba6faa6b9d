#ifndef KX_BENCH_ARM_ICOUNT_DRIVER_H
#define KX_BENCH_ARM_ICOUNT_DRIVER_H

// Common frame of the instruction-count drivers (one program per cipher
// implementation, run under an instruction-tracing emulator by
// scripts/arm-icount.sh). A driver runs one job:
//
//   DRIVER OP KEYBITS BLOCKBITS COUNT [print]
//
//   OP     ecb-enc, ecb-dec or cbc-enc: COUNT blocks in one run after one
//          warm-up block; text: the Base64 text encryption of a COUNT-byte
//          text (16 or 1024; 0 encrypts nothing) after one warm-up text;
//          tables: COUNT 1 builds the cipher tables, 0 does not.
//   print  writes the output in hex (the Base64 text for OP text) so the
//          script can compare the implementations; counted runs omit it.
//
// Everything whose cost does not depend on COUNT (start-up, input, key
// set-up, the warm-up that binds the lazy symbols) is the same in every run,
// so count(COUNT) - count(0) is the cost of the COUNT blocks alone. The
// input buffers have a fixed size for that reason.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace icount {

constexpr std::size_t kMaxBytes = 2048;  // 64 blocks of 32 bytes

struct Job {
  std::string op;
  int keyBits = 0;
  int blockBits = 0;
  unsigned long count = 0;
  bool print = false;

  std::size_t blockBytes() const { return static_cast<std::size_t>(blockBits) / 8; }
  std::size_t bytes() const { return count * blockBytes(); }
};

inline Job ParseJob(int argc, char** argv) {
  Job job;
  if (argc == 5 || (argc == 6 && std::strcmp(argv[5], "print") == 0)) {
    job.op = argv[1];
    job.keyBits = std::atoi(argv[2]);
    job.blockBits = std::atoi(argv[3]);
    job.count = std::strtoul(argv[4], nullptr, 10);
    job.print = argc == 6;
  }
  const bool blocks = job.op != "text" && job.op != "tables";
  const bool sized =
      !blocks || job.count * static_cast<unsigned long>(job.blockBits) / 8 <= kMaxBytes;
  if (job.op.empty() || !sized) {
    std::fprintf(stderr, "usage: %s OP KEYBITS BLOCKBITS COUNT [print]\n", argv[0]);
    std::exit(2);
  }
  return job;
}

// The same pseudo-random key, data and text bytes in every driver.
struct Inputs {
  unsigned char key[32];
  unsigned char data[kMaxBytes];
  unsigned char out[kMaxBytes];
  std::string shortText, longText;

  Inputs() : shortText(16, '\0'), longText(1024, '\0') {
    unsigned x = 2463534242u;
    const auto next = [&x] {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      return static_cast<unsigned char>(x >> 24);
    };
    for (unsigned char& b : key) b = next();
    for (unsigned char& b : data) b = next();
    for (char& c : shortText) c = static_cast<char>(next());
    for (char& c : longText) c = static_cast<char>(next());
    std::memset(out, 0, sizeof out);
  }

  // The text of a text job; null for a length that has none.
  const std::string* text(unsigned long length) const {
    return length == 16 ? &shortText : length == 1024 ? &longText : nullptr;
  }
};

inline void PrintHex(const unsigned char* bytes, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) std::printf("%02x", bytes[i]);
  std::printf("\n");
}

// Exit status for a job the implementation does not offer; the script shows
// "-" for it.
constexpr int kUnsupported = 3;

}  // namespace icount

#endif
