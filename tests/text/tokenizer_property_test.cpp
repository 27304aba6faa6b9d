// Properties of the tokenizer over random texts and delimiter sets.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "KXAPI/KXStringTokenizer.h"

namespace {

TEST(TokenizerProperties, RandomTexts) {
  // A small alphabet, so that delimiters, runs of them and repeats within the
  // set are common; a NUL byte among them.
  const std::string alphabet("ab ,;\t\0x", 8);
  std::mt19937 rng(4242);
  auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };

  for (int round = 0; round < 5000; ++round) {
    std::string text(1 + pick(16), ' ');
    for (auto& ch : text) ch = alphabet[pick(alphabet.size())];
    std::string delimiters(pick(4), ' ');
    for (auto& ch : delimiters) ch = alphabet[pick(alphabet.size())];
    SCOPED_TRACE("text \"" + text + "\" delimiters \"" + delimiters + "\"");

    const auto tokens = KX::KXStringTokenizer::tokenize(text, delimiters);

    std::vector<char> between;  // the delimiters, in the order they stand
    for (char ch : text) {
      if (delimiters.find(ch) != std::string::npos) between.push_back(ch);
    }
    ASSERT_EQ(tokens.size(), between.size() + 1);

    std::string joined = tokens[0];
    for (std::size_t i = 1; i < tokens.size(); ++i) joined += between[i - 1] + tokens[i];
    EXPECT_EQ(joined, text);

    for (const auto& token : tokens) {
      EXPECT_EQ(token.find_first_of(delimiters), std::string::npos) << token;
    }
  }
}

}  // namespace
