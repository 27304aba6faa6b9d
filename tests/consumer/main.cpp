// Uses the installed headers and libraries: the tokenizer of the utility
// library, and its string conversion, which runs on the platform library's
// converter. Exits 0 only when both give what the headers promise.
#include <cstdio>

#include <KXAPI/KXStringConversion.h>
#include <KXAPI/KXStringTokenizer.h>

int main() {
  const bool ok = KX::KXStringTokenizer::tokenize("Tue  Mar 8", " ") ==
                      std::vector<std::string>{"Tue", "", "Mar", "8"} &&
                  KX::convertToUtf16("\xE2\x82\xAC 5") == L"\u20AC 5";
  std::puts(ok ? "consumer ok" : "consumer FAILED: tokenize or convertToUtf16 gave a wrong result");
  return ok ? 0 : 1;
}
