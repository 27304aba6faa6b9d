// kxutil version FILE: a package's version from its version file.
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStatus.h"
#include "commands.h"
#include "exit_status.h"
#include "json.h"
#include "regular_file.h"

namespace kxutil {

namespace {

struct VersionOptions {
  std::string file;
  bool json = false;
};

int runVersion(const VersionOptions& options) {
  std::string version;
  int status = KX::KX_STATUS_OK;
  std::string problem = notRegularFile(options.file);
  try {
    if (problem.empty()) {
      version = KX::retrievePackageVersion(options.file);
    }
    if (!problem.empty()) {
      status = KX::KX_STATUS_INVALID_ARGUMENT;
    } else if (version == "NOTFOUND") {
      status = KX::KX_STATUS_OPEN_FAILED;
      problem = "cannot open " + options.file;
    } else if (version == "undefined") {
      status = kExitNoValue;
      problem = "no line with Version Major=\" in " + options.file +
                " (the line needs a line feed after it)";
    }
  } catch (const std::out_of_range&) {
    status = kExitMalformed;
    problem = "the version line of " + options.file + " ends before its build field";
  }

  if (options.json) {
    JsonObject out;
    out.add("file", options.file).add("status", status);
    if (status == KX::KX_STATUS_OK) {
      out.add("version", version);
    } else {
      out.addNull("version");
    }
    std::cout << out.str() << "\n";
  } else if (status == KX::KX_STATUS_OK) {
    std::cout << "Version: " << version << "\n";
  }
  if (status != KX::KX_STATUS_OK) {
    std::cerr << "kxutil: " << problem << "\n";
  }
  return status;
}

}  // namespace

void addVersionCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<VersionOptions>();
  CLI::App* version =
      app.add_subcommand("version", "Print a package's version from its version file");
  version->footer(
      "Prints the version MM-mm-BBBB from the first line of FILE holding Version Major=\". "
      "Exit status " +
      std::to_string(KX::KX_STATUS_OK) + "; " + std::to_string(KX::KX_STATUS_OPEN_FAILED) +
      " if FILE cannot be opened; " + std::to_string(KX::KX_STATUS_INVALID_ARGUMENT) +
      " if it is not a regular file; " + std::to_string(kExitNoValue) +
      " if there is no such line (a last line needs its line feed); " +
      std::to_string(kExitMalformed) + " if the line is too short.");
  version->add_option("FILE", options->file, "The package's version file")->required();
  version->add_flag("--json", options->json, "Print one JSON object");
  version->callback([options, &status] { status = runVersion(*options); });
}

}  // namespace kxutil
