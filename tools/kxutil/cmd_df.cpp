// kxutil df [PATH]: total, free and used space of a file system.
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>

#include "KXAPI/KXStatus.h"
#include "commands.h"
#include "exit_status.h"
#include "json.h"
#include "space.h"

namespace kxutil {

namespace {

struct DfOptions {
  std::string path = "/";
  bool json = false;
};

int runDf(const DfOptions& options) {
  const SpaceFigures figures = querySpace(options.path);
  const int status = figures.valid() ? int{KX::KX_STATUS_OK} : int{kExitNoValue};
  if (options.json) {
    Json out{{"path", options.path}, {"status", status}};
    addSpaceMembers(out, figures);
    printJson(out);
  } else if (figures.valid()) {
    std::cout << "File system holding " << options.path << ":\n"
              << "  Total: " << std::setw(10) << figures.total << " MiB\n"
              << "  Free:  " << std::setw(10) << figures.free << " MiB\n"
              << "  Used:  " << std::setw(10) << figures.used << " MiB\n";
  }
  if (!figures.valid()) {
    std::cerr << "kxutil: cannot query the file system holding " << options.path << "\n";
  }
  return status;
}

}  // namespace

void addDfCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<DfOptions>();
  CLI::App* df = app.add_subcommand("df", "Print total, free and used space of a file system");
  df->footer(
      "Prints the total, free and used space in MiB of the file system holding PATH (free "
      "space includes blocks reserved for root). The library's figures stop at 2147483647 "
      "MiB (2 PiB); larger ones are worked out by kxutil from statvfs. Exit status 0, or 2 "
      "if PATH cannot be queried.");
  df->add_option("PATH", options->path, "Any file or directory on the file system")
      ->capture_default_str();
  df->add_flag("--json", options->json,
               "Print one JSON object (bytes that are not UTF-8 become U+FFFD)");
  df->callback([options, &status] { status = runDf(*options); });
}

}  // namespace kxutil
