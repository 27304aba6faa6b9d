#ifndef KXAPI_KXSTRINGTOKENIZER_H
#define KXAPI_KXSTRINGTOKENIZER_H

#include <string>
#include <vector>

#include "KXExport.h"

/// \file
/// Splitting a text at delimiter characters.

namespace KX {

/// KXStringTokenizer holds the tokenizer, a function without state.
class KX_API KXStringTokenizer {
public:
  /// tokenize splits text at every character that occurs in delimiters, one
  /// delimiter per split, keeping empty tokens: a non-empty text with m
  /// delimiter characters gives m + 1 tokens. An empty text gives none; an
  /// empty delimiter set gives the whole text as one token. Throws
  /// std::bad_alloc when the tokens cannot be allocated, and leaks nothing.
  static std::vector<std::string> tokenize(const std::string& text, const std::string& delimiters);
};

}  // namespace KX

#endif
