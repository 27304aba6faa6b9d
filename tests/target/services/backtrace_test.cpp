// KX::printBacktrace walks the whole stack on the target. On 32-bit ARM the
// walk needs unwind tables in every frame (-funwind-tables); without them it
// stops after the first frame. The frames of a recursion of known depth must
// all show up, by name (the program exports its symbols for the formatter).
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KXAPI/KXBacktrace.h"

namespace {

// Captures what is written to std::cerr while it lives.
class CerrCapture {
public:
  CerrCapture() : old_(std::cerr.rdbuf(text_.rdbuf())) {}
  ~CerrCapture() { std::cerr.rdbuf(old_); }
  std::string text() const { return text_.str(); }

private:
  std::ostringstream text_;
  std::streambuf* old_;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace

// Recurses depth times, then prints the stack. The addition after the call
// keeps the compiler from turning the recursion into a loop (the file is also
// built without sibling-call optimisation).
extern "C" __attribute__((noinline, visibility("default"))) int kx_target_recurse(
    int depth, std::string* listing) {
  if (depth == 0) {
    CerrCapture capture;
    KX::printBacktrace(64, 1);
    *listing = capture.text();
    return 0;
  }
  volatile int frame = depth;
  const int inner = kx_target_recurse(depth - 1, listing);
  return inner + frame;
}

namespace {


class BacktraceDepthTest : public testing::TestWithParam<int> {};

TEST_P(BacktraceDepthTest, ListsEveryFrameOfTheRecursion) {
  const int depth = GetParam();
  std::string listing;
  ASSERT_EQ(kx_target_recurse(depth, &listing), depth * (depth + 1) / 2);

  const auto out = lines(listing);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0], "\tBacktrace:");
  int numbered = 0, recursion = 0;
  for (std::size_t i = 1; i < out.size(); ++i) {
    const std::string prefix = "\t#" + std::to_string(numbered + 1) + " ";
    if (out[i].rfind(prefix, 0) != 0) continue;
    ++numbered;
    if (out[i].find("kx_target_recurse") != std::string::npos) ++recursion;
  }
  // depth + 1 frames of the recursion, then at least the test body and main.
  EXPECT_EQ(recursion, depth + 1) << listing;
  EXPECT_GT(numbered, depth + 2) << listing;
  // skip 1: the first line is the printer's caller, the innermost recursion.
  ASSERT_GE(out.size(), 2u);
  EXPECT_NE(out[1].find("kx_target_recurse"), std::string::npos) << listing;
}

INSTANTIATE_TEST_SUITE_P(Depths, BacktraceDepthTest, testing::Values(0, 1, 5, 20));

}  // namespace
