// The tokenizer's laws for any text and delimiter set: m delimiters give
// m + 1 tokens (none for an empty text), no token holds a delimiter, and the
// tokens joined by the delimiters that stood between them rebuild the text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KXAPI/KXStringTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (input.empty() || input.size() < 1 + data[0] % 4u) return 0;
  const std::string delimiters = input.substr(1, data[0] % 4), text = input.substr(1 + data[0] % 4);

  const auto tokens = KX::KXStringTokenizer::tokenize(text, delimiters);
  std::size_t m = 0;
  for (char c : text) m += delimiters.find(c) != std::string::npos;
  if (tokens.size() != (text.empty() ? 0 : m + 1)) std::abort();

  std::string rebuilt;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].find_first_of(delimiters) != std::string::npos) std::abort();
    if (i > 0) rebuilt += text.at(rebuilt.size());  // the delimiter before this token
    rebuilt += tokens[i];
  }
  if (rebuilt != text) std::abort();
  return 0;
}
