// kxutil: the library's services on the command line, for people working on
// a device.
#include <iostream>
#include <new>
#include <string>

#include "commands.h"
#include "exit_status.h"

namespace {

// The first argument that is no option names the command. CLI11 would only
// say that a command is required; this names the unknown word and lists the
// commands. Returns true after reporting one.
bool reportUnknownCommand(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.empty() || word[0] == '-') {
      continue;
    }
    std::string names;
    for (const CLI::App* command : app.get_subcommands({})) {
      if (command->get_name() == word) {
        return false;
      }
      names += (names.empty() ? "" : ", ") + command->get_name();
    }
    std::cerr << "kxutil: unknown command '" << word << "'; the commands are " << names
              << ".\nRun with --help for more information.\n";
    return true;
  }
  return false;
}

int run(int argc, char** argv) {
  CLI::App app{
      "kxutil: device information, diagnostics and text encryption "
      "with libKXAPI_Utility.\nThe exit status is the library's "
      "status code (0 success)."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kxutil " KXUTIL_VERSION);

  int status = KX::KX_STATUS_OK;
  kxutil::addEncryptCommand(app, status);
  kxutil::addDecryptCommand(app, status);
  kxutil::addInfoCommand(app, status);
  kxutil::addMountCommand(app, status);
  kxutil::addDfCommand(app, status);
  kxutil::addReadCommands(app, status);
  kxutil::addVersionCommand(app, status);
  kxutil::addBacktraceCommand(app, status);
  app.footer(kxutil::exitStatusHelp());

  if (reportUnknownCommand(app, argc, argv)) {
    return static_cast<int>(CLI::ExitCodes::ExtrasError);
  }
  CLI11_PARSE(app, argc, argv);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // CLI11_PARSE turns the usage errors into statuses. What else can leave
  // run() is a lack of memory, or CLI11 refusing kxutil's own command
  // definitions; each ends kxutil with one line and a status, as any other
  // failure does, rather than in std::terminate.
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "kxutil: out of memory\n";
    return KX::KX_STATUS_NO_MEMORY;
  } catch (const CLI::Error& e) {
    std::cerr << "kxutil: " << e.what() << "\n";
    return e.get_exit_code();
  }
}
