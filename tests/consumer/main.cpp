// Uses the installed headers and libraries: the tokenizer of the utility
// library, the event interface and tick counter of the platform library.
// Exits 0 when every call gives what the headers promise.
#include <iostream>
#include <string>
#include <vector>

#include <KXAPI/KXStringTokenizer.h>
#include <KXPlatform/KXEvent.h>
#include <KXPlatform/KXTick.h>

namespace {

class Counter : public KX::KXEventListener {
public:
  void handleEvent(KX::KXEvent& event) override { total += event.param; }
  int total = 0;
};

}  // namespace

int main() {
  int failures = 0;
  const std::vector<std::string> expected{"Tue", "", "Mar", "8"};
  const auto tokens = KX::KXStringTokenizer::tokenize("Tue  Mar 8", " ");
  if (tokens != expected) {
    std::cerr << "tokenize gave " << tokens.size() << " tokens, expected 4\n";
    ++failures;
  }

  // Through the first slot of the virtual table, as the platform's senders do.
  Counter counter;
  KX::KXEventListener& listener = counter;
  KX::KXEvent event{2000, 7, {}};
  listener.handleEvent(event);
  if (counter.total != 7) {
    std::cerr << "listener received " << counter.total << ", expected 7\n";
    ++failures;
  }

  const unsigned long first = KX::KXTick::getTickCount();
  const unsigned long second = KX::KXTick::getTickCount();
  if (second - first > 60000ul) {
    std::cerr << "tick counter jumped from " << first << " to " << second << '\n';
    ++failures;
  }

  std::cout << (failures == 0 ? "consumer ok" : "consumer FAILED") << '\n';
  return failures == 0 ? 0 : 1;
}
