// Diagnostic listing of the calling thread's stack on std::cerr.
#include <execinfo.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "KXAPI/KXBacktrace.h"

namespace KX {

namespace {

struct FreeDeleter {
  void operator()(char** symbols) const { std::free(symbols); }
};

}  // namespace

void printBacktrace(int depth, int skip) {
  depth = std::max(depth, 0);
  skip = std::max(skip, 0);
  // 64-bit sum: two large ints must not overflow before the cut.
  const long long wanted = static_cast<long long>(depth) + skip;
  const int total = static_cast<int>(std::min<long long>(wanted, kMaxBacktraceFrames));

  // On the stack: the printer may be called when the heap is in trouble.
  void* frames[kMaxBacktraceFrames];
  const int walked = backtrace(frames, total);
  const std::unique_ptr<char*, FreeDeleter> symbols(backtrace_symbols(frames, walked));
  if (!symbols) {
    return;
  }

  std::cerr << "\tBacktrace:" << std::endl;
  int line = 1;
  for (int i = skip; i < walked; ++i, ++line) {
    // The line number uses the stream's current integer format.
    std::cerr << "\t#" << line << " " << symbols.get()[i] << std::endl;
  }
  if (walked == total) {
    // The buffer is full: outer frames may have been cut off.
    std::cerr << "\t..." << std::endl;
  }
}

}  // namespace KX
