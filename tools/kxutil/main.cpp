// kxutil: the library's services on the command line, for people working on
// a device. Each failure is one line on standard error, "kxutil: " and why.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "KXAPI/KXBacktrace.h"
#include "KXPlatform/KXError.h"
#include "kxutil.h"

// kxutil's own error reporter takes the platform library's place (the
// library calls it through the dynamic linker, and kxutil exports its
// symbols): the library's report of a file it cannot open becomes kxutil's
// one line, with the system's reason.
// NOLINTNEXTLINE(performance-unnecessary-value-param): the ABI passes the string by value
void KX::kxPrintError(int /*code*/, std::string message) {
  const int reason = errno;  // still the failed open's
  if (reason != 0) {
    message += std::string(": ") + std::strerror(reason);
  }
  static_cast<void>(std::fprintf(stderr, "kxutil: %s\n", message.c_str()));
}

namespace kxutil {

std::string exitStatusList(std::initializer_list<ExitStatus> statuses) {
  std::string list = "Exit status:";
  for (const ExitStatus status : statuses) {
    for (const auto& [code, text] : kStatusMeanings) {
      if (code == status) {
        const std::string number = std::to_string(code) + (code == kUsage ? "+" : "");
        list += "\n  " + std::string(4 - number.size(), ' ') + number + "  " + text;
      }
    }
  }
  return list;
}

namespace {

// Breaks each line of text longer than 79 columns at spaces, keeping its
// indentation, so that every command's help reads alike.
std::string wrapped(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    const std::string indent = line.substr(0, line.find_first_not_of(' '));
    while (line.size() > 79 && line.rfind(' ', 79) > indent.size()) {
      const std::size_t cut = line.rfind(' ', 79);
      out += line.substr(0, cut) + "\n";
      line = indent + line.substr(cut + 1);
    }
    out += line + (end < text.size() ? "\n" : "");
    start = end + 1;
  }
  return out;
}

// A whole decimal number from 0 to the backtrace printer's frame limit.
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

// The first argument that is no option names the command. CLI11 would only
// say that a command is required; this names the unknown word and lists the
// commands.
std::string unknownCommand(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.empty() || word[0] == '-') {
      continue;
    }
    std::string names;
    for (const CLI::App* command : app.get_subcommands({})) {
      if (command->get_name() == word) {
        return {};
      }
      names += (names.empty() ? "" : ", ") + command->get_name();
    }
    return "unknown command '" + word + "'; the commands are " + names;
  }
  return {};
}

int run(int argc, char** argv) {
  CLI::App app{
      "kxutil: device information, diagnostics and text encryption with libKXAPI_Utility.\nThe "
      "exit status is the library's status code, or kxutil's own where the library has none."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kxutil " KXUTIL_VERSION);
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return "kxutil: " + std::string(e.what()) + " (see kxutil --help)\n";
  });

  Result result;
  addEncryptCommand(app, result);
  addDecryptCommand(app, result);
  addInfoCommand(app, result);
  addMountCommand(app, result);
  addDfCommand(app, result);
  addReadCommands(app, result);
  addVersionCommand(app, result);
  addBacktraceCommand(app, result);
  app.footer(exitStatusList({kOk, kNoMemory, kNoValue, kMalformed, kBadBase64, kBadLength,
                             kBadPadding, kOpenFailed, kInvalidArgument, kNotFound, kUsage}));
  for (CLI::App* cmd : app.get_subcommands({})) {
    cmd->footer(wrapped(cmd->get_footer()));
  }

  const std::string unknown = unknownCommand(app, argc, argv);
  if (!unknown.empty()) {
    std::cerr << "kxutil: " << unknown << " (see kxutil --help)\n";
    return static_cast<int>(CLI::ExitCodes::ExtrasError);
  }
  CLI11_PARSE(app, argc, argv);
  if (!result.message.empty()) {
    std::cerr << "kxutil: " << result.message << "\n";
  }
  return result.status;
}

}  // namespace

void addBacktraceCommand(CLI::App& app, Result& result) {
  auto frames = std::make_shared<std::pair<int, int>>(16, 1);
  CLI::App* cmd = app.add_subcommand("backtrace", "Print kxutil's own call stack");
  cmd->footer(
      "Prints kxutil's own call stack on standard error as the library lists it, to check stack "
      "walking and symbol names on a device.\n\n" +
      exitStatusList({kOk}));
  cmd->add_option("-d,--depth", frames->first, "Frames to list after the skipped ones")
      ->check(frameCount())
      ->capture_default_str();
  cmd->add_option("-s,--skip", frames->second, "Innermost frames to leave out")
      ->check(frameCount())
      ->capture_default_str();
  cmd->callback([frames, &result] {
    KX::printBacktrace(frames->first, frames->second);
    result = {};
  });
}

}  // namespace kxutil

int main(int argc, char** argv) {
  // CLI11_PARSE turns the usage errors into statuses. What else can leave
  // run() is a lack of memory, or CLI11 refusing kxutil's own command
  // definitions; each ends kxutil with one line and a status rather than in
  // std::terminate.
  try {
    return kxutil::run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "kxutil: out of memory\n";
    return kxutil::kNoMemory;
  } catch (const CLI::Error& e) {
    std::cerr << "kxutil: " << e.what() << "\n";
    return e.get_exit_code();
  }
}
