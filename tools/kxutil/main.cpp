// kxutil: the library's services on the command line, for people working on
// a device.
#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{
      "kxutil: device information, diagnostics and text encryption "
      "with libKXAPI_Utility.\nThe exit status is the library's "
      "status code (0 success)."};
  app.require_subcommand(1);

  int status = 0;
  kxutil::addEncryptCommand(app, status);
  kxutil::addInfoCommand(app, status);
  kxutil::addMountCommand(app, status);
  kxutil::addDfCommand(app, status);
  kxutil::addReadCommands(app, status);
  kxutil::addVersionCommand(app, status);
  kxutil::addBacktraceCommand(app, status);
  app.footer(
      "Exit status: 0 success; 16 a file or the mount table cannot be opened; 20 an "
      "invalid argument; 23 the device is not in the mount table; 2 the query gave no "
      "value (statvfs failed, no version line); 3 the version line is too short; 100 and "
      "above a usage error.");

  CLI11_PARSE(app, argc, argv);
  return status;
}
