// kxutil backtrace: the library's backtrace printer on kxutil's own stack,
// to check that stack walking and symbol names work on a device.
#include <memory>

#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXStatus.h"
#include "commands.h"

namespace kxutil {

namespace {

struct BacktraceOptions {
  int depth = 16;
  int skip = 1;
};

}  // namespace

void addBacktraceCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<BacktraceOptions>();
  CLI::App* backtrace = app.add_subcommand("backtrace", "Print kxutil's own call stack");
  backtrace->footer(
      "Prints kxutil's own call stack on standard error as the library lists it, to check "
      "stack walking and symbol names on a device. Exit status 0.");
  backtrace->add_option("-d,--depth", options->depth, "Frames to list after the skipped ones")
      ->check(CLI::Range(0, KX::kMaxBacktraceFrames))
      ->capture_default_str();
  backtrace->add_option("-s,--skip", options->skip, "Innermost frames to leave out")
      ->check(CLI::Range(0, KX::kMaxBacktraceFrames))
      ->capture_default_str();
  backtrace->callback([options, &status] {
    KX::printBacktrace(options->depth, options->skip);
    status = KX::KX_STATUS_OK;
  });
}

}  // namespace kxutil
