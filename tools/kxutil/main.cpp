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
#include <sstream>

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
  const std::string why = reason != 0 ? std::string(": ") + std::strerror(reason) : "";
  static_cast<void>(std::fprintf(stderr, "kxutil: %s%s\n", message.c_str(), why.c_str()));
}

namespace kxutil {

namespace {

// The "Exit status:" list of the given statuses, or of all, one per line.
std::string exitStatusList(std::initializer_list<ExitStatus> statuses) {
  std::string list = "Exit status:";
  for (const auto& [code, text] : kStatusMeanings) {
    if (statuses.size() == 0 ||
        std::find(statuses.begin(), statuses.end(), code) != statuses.end()) {
      const std::string number = std::to_string(code) + (code == kUsage ? "+" : "");
      list += "\n  " + std::string(4 - number.size(), ' ') + number + "  " + text;
    }
  }
  return list;
}

// Breaks each line of text longer than 79 columns at spaces, keeping its
// indentation.
std::string wrapped(const std::string& text) {
  std::string out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line); out += line + "\n") {
    const std::string indent = line.substr(0, line.find_first_not_of(' '));
    for (std::size_t cut; line.size() > 79 && (cut = line.rfind(' ', 79)) > indent.size();) {
      out += line.substr(0, cut) + "\n";
      line.replace(0, cut + 1, indent);
    }
  }
  out.pop_back();  // the last line feed
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
        const bool number =
            !text.empty() && !std::isspace(static_cast<unsigned char>(text[0])) && *end == '\0';
        const bool inRange = errno != ERANGE && value >= 0 && value <= KX::kMaxBacktraceFrames;
        return !number   ? "Value " + text + " is not a number"
               : inRange ? ""
                         : "Value " + text + " not in range " + range;
      },
      "INT in [" + range + "]");
}

// The first argument that is no option names the command. CLI11 would only
// say that a command is required; this names the unknown word and lists the
// commands.
std::string unknownCommand(const CLI::App& app, int argc, char** argv) {
  char** const word = std::find_if(argv + 1, argv + argc,
                                   [](const char* arg) { return arg[0] != '-' && arg[0] != '\0'; });
  std::string names;
  for (const CLI::App* command : app.get_subcommands({})) {
    if (word == argv + argc || command->get_name() == *word) {
      return {};
    }
    names += (names.empty() ? "" : ", ") + command->get_name();
  }
  return "unknown command '" + std::string(*word) + "'; the commands are " + names;
}

int run(int argc, char** argv) {
  CLI::App app{
      wrapped("kxutil: device information, diagnostics and text encryption with "
              "libKXAPI_Utility. The exit status is the library's status code, or kxutil's own "
              "where the library has none."),
      "kxutil"};
  app.get_formatter()->column_width(24);  // option and command lines within 79 columns
  app.require_subcommand(1);
  app.set_version_flag("--version", "kxutil " KXUTIL_VERSION);
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return "kxutil: " + std::string(e.what()) + " (see kxutil --help)\n";
  });

  Result result;
  for (auto* add : {addEncryptCommand, addDecryptCommand, addInfoCommand, addMountCommand,
                    addDfCommand, addReadCommands, addVersionCommand, addBacktraceCommand}) {
    add(app, result);
  }
  app.footer(exitStatusList({}));

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

CLI::App* addCommand(CLI::App& app, const std::string& name, const std::string& help,
                     const std::string& about, std::initializer_list<ExitStatus> statuses) {
  CLI::App* command = app.add_subcommand(name, help);
  command->footer(wrapped(about + "\n\n" + exitStatusList(statuses)));
  return command;
}

void addBacktraceCommand(CLI::App& app, Result& /*result*/) {
  auto frames = std::make_shared<std::pair<int, int>>(16, 1);
  CLI::App* cmd = addCommand(
      app, "backtrace", "Print kxutil's own call stack",
      "Prints kxutil's own call stack on standard error as the library lists it, to check stack "
      "walking and symbol names on a device.",
      {kOk});
  cmd->add_option("-d,--depth", frames->first, "Frames to list after the skipped ones")
      ->check(frameCount())
      ->capture_default_str();
  cmd->add_option("-s,--skip", frames->second, "Innermost frames to leave out")
      ->check(frameCount())
      ->capture_default_str();
  cmd->callback([frames] { KX::printBacktrace(frames->first, frames->second); });
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
