// kxutil backtrace: the library's backtrace printer on kxutil's own stack,
// to check that stack walking and symbol names work on a device.
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>

#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXStatus.h"
#include "commands.h"

namespace kxutil {

namespace {

struct BacktraceOptions {
  int depth = 16;
  int skip = 1;
};

// A whole decimal number from 0 to the printer's frame limit; the message
// says which of the two a value is not.
CLI::Validator frameCount() {
  const std::string range = "0 to " + std::to_string(KX::kMaxBacktraceFrames);
  return CLI::Validator(
      [range](const std::string& text) -> std::string {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])) || *end != '\0') {
          return "Value " + text + " is not a number";
        }
        if (errno == ERANGE || value < 0 || value > KX::kMaxBacktraceFrames) {
          return "Value " + text + " not in range " + range;
        }
        return {};
      },
      "INT in [" + range + "]");
}

}  // namespace

void addBacktraceCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<BacktraceOptions>();
  CLI::App* backtrace = app.add_subcommand("backtrace", "Print kxutil's own call stack");
  backtrace->footer(
      "Prints kxutil's own call stack on standard error as the library lists it, to check "
      "stack walking and symbol names on a device. Exit status " +
      std::to_string(KX::KX_STATUS_OK) + ".");
  backtrace->add_option("-d,--depth", options->depth, "Frames to list after the skipped ones")
      ->check(frameCount())
      ->capture_default_str();
  backtrace->add_option("-s,--skip", options->skip, "Innermost frames to leave out")
      ->check(frameCount())
      ->capture_default_str();
  backtrace->callback([options, &status] {
    KX::printBacktrace(options->depth, options->skip);
    status = KX::KX_STATUS_OK;
  });
}

}  // namespace kxutil
