#include "KXAPI/KXStringTokenizer.h"

namespace KX {

std::vector<std::string> KXStringTokenizer::tokenize(const std::string& text,
                                                     const std::string& delimiters) {
  std::vector<std::string> tokens;
  if (text.empty()) {
    return tokens;
  }
  std::string::size_type pos = 0;
  for (;;) {
    const auto delimiter = text.find_first_of(delimiters, pos);
    if (delimiter == std::string::npos) {
      // The rest, which is "" when the text ends with a delimiter.
      tokens.push_back(text.substr(pos));
      return tokens;
    }
    tokens.push_back(text.substr(pos, delimiter - pos));
    pos = delimiter + 1;  // exactly one delimiter per step
  }
}

}  // namespace KX
