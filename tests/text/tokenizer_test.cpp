#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KXAPI/KXStringTokenizer.h"

namespace {

using Tokens = std::vector<std::string>;

struct TokenizeCase {
  const char* name;
  std::string text;
  std::string delimiters;
  Tokens expected;
};

class TokenizeTest : public ::testing::TestWithParam<TokenizeCase> {};

TEST_P(TokenizeTest, SplitsAsExpected) {
  const auto& c = GetParam();
  EXPECT_EQ(KX::KXStringTokenizer::tokenize(c.text, c.delimiters), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenizeTest,
    ::testing::Values(
        TokenizeCase{"EmptyText", "", " ", {}},
        TokenizeCase{"EmptyTextEmptySet", "", "", {}},
        TokenizeCase{"EmptySet", "a b", "", {"a b"}},
        TokenizeCase{"NoDelimiter", "abc", ",", {"abc"}},
        TokenizeCase{"OnlyDelimiter", ",", ",", {"", ""}},
        TokenizeCase{"AdjacentDelimiters", "a,,b", ",", {"a", "", "b"}},
        TokenizeCase{"LeadingDelimiter", ",a", ",", {"", "a"}},
        TokenizeCase{"TrailingDelimiter", "a,", ",", {"a", ""}},
        TokenizeCase{"EitherOfASet", "a,b;c", ",;", {"a", "b", "c"}},
        TokenizeCase{"SetMembersInARow", "a,;b", ";,", {"a", "", "b"}},
        TokenizeCase{"SetIsNotASequence", "a,;b,c", ",;,", {"a", "", "b", "c"}},
        TokenizeCase{"NothingTrimmed", " a\tb ", "\t", {" a", "b "}},
        TokenizeCase{"ZeroBytes", std::string("a\0b\0", 4), std::string("\0", 1), {"a", "b", ""}},
        TokenizeCase{"VersionLineTwoBlanks", "Tue Mar  8 2011", " ",
                     {"Tue", "Mar", "", "8", "2011"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
