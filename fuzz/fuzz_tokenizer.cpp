// The tokenizer's laws for any text and delimiter set: m delimiters give
// m + 1 tokens, no token holds a delimiter, and the tokens joined by the
// delimiters that stood between them rebuild the text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KXAPI/KXStringTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t setSize = data[0] % 4;
  if (size < 1 + setSize) return 0;
  const std::string delimiters(reinterpret_cast<const char*>(data) + 1, setSize);
  const std::string text(reinterpret_cast<const char*>(data) + 1 + setSize, size - 1 - setSize);

  const auto tokens = KX::KXStringTokenizer::tokenize(text, delimiters);
  if (text.empty()) {
    if (!tokens.empty()) std::abort();
    return 0;
  }
  std::size_t m = 0;
  for (char c : text) m += delimiters.find(c) != std::string::npos;
  if (tokens.size() != m + 1) std::abort();

  std::string rebuilt;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].find_first_of(delimiters) != std::string::npos) std::abort();
    rebuilt += tokens[i];
    pos += tokens[i].size();
    if (i + 1 < tokens.size()) rebuilt += text[pos++];  // the delimiter
  }
  if (rebuilt != text) std::abort();
  return 0;
}
