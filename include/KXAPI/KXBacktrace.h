#ifndef KXAPI_KXBACKTRACE_H
#define KXAPI_KXBACKTRACE_H

#include "KXExport.h"

/// \file
/// A printer of the calling thread's stack, for diagnostics.

namespace KX {

/// The most frames printBacktrace walks (depth + skip); larger requests are
/// cut to it. The frame buffer lives on the stack.
constexpr int kMaxBacktraceFrames = 256;

/// printBacktrace writes the calling thread's stack to std::cerr: a
/// "\tBacktrace:" heading, then "\t#<n> <frame>" for up to depth frames after
/// leaving out the skip innermost ones (skip 1 leaves out printBacktrace
/// itself), then "\t..." when the walk filled its buffer. Negative arguments
/// count as 0. Prints nothing when the frames cannot be formatted, which
/// includes memory for their names running out. Never throws.
KX_API void printBacktrace(int depth, int skip);

}  // namespace KX

#endif
