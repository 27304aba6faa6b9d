// kxutil: the library's services on the command line, for people working on
// a device.
#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{"kxutil: device information, diagnostics and text encryption "
               "with libKXAPI_Utility.\nThe exit status is the library's "
               "status code (0 success)."};
  app.require_subcommand(1);

  int status = 0;
  kxutil::addEncryptCommand(app, status);

  CLI11_PARSE(app, argc, argv);
  return status;
}
