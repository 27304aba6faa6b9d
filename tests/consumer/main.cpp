// Uses the installed headers and libraries: the tokenizer and the string
// conversion of the utility library (the latter runs on the platform
// library's converter) and the platform library's tick counter, called
// directly. Exits 0 only when all give what the headers promise.
#include <cstdio>

#include <KXAPI/KXStringConversion.h>
#include <KXAPI/KXStringTokenizer.h>
#include <KXPlatform/KXTick.h>

int main() {
  const unsigned long start = KX::KXTick::getTickCount();
  const bool ok = KX::KXStringTokenizer::tokenize("Tue  Mar 8", " ") ==
                      std::vector<std::string>{"Tue", "", "Mar", "8"} &&
                  KX::convertToUtf16("\xE2\x82\xAC 5") == L"\u20AC 5" &&
                  KX::KXTick::getTickCount() - start < 60000;
  std::puts(ok ? "consumer ok" : "consumer FAILED: tokenize, convertToUtf16 or getTickCount");
  return ok ? 0 : 1;
}
