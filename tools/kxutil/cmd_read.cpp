// kxutil read FILE and read-int FILE: the library's small-file readers.
#include <iostream>
#include <memory>
#include <string>

#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXStatus.h"
#include "commands.h"
#include "regular_file.h"

namespace kxutil {

namespace {

void reportOpenFailure(const std::string& file) {
  std::cerr << "kxutil: cannot open " << file << "\n";
}

// Refuses, with a line on standard error, what is not a regular file.
bool refused(const std::string& file) {
  const std::string problem = notRegularFile(file);
  if (!problem.empty()) {
    std::cerr << "kxutil: " << problem << "\n";
  }
  return !problem.empty();
}

std::string exitStatusText() {
  return "Exit status " + std::to_string(KX::KX_STATUS_OK) + "; " +
         std::to_string(KX::KX_STATUS_OPEN_FAILED) + " if FILE cannot be opened; " +
         std::to_string(KX::KX_STATUS_INVALID_ARGUMENT) +
         " if it is not a regular file (a FIFO, a device, a directory).";
}

}  // namespace

void addReadCommands(CLI::App& app, int& status) {
  auto file = std::make_shared<std::string>();

  CLI::App* read = app.add_subcommand("read", "Print the first line of a file");
  read->footer("Prints the first line of FILE as it is (a carriage return stays). " +
               exitStatusText());
  read->add_option("FILE", *file, "File to read, e.g. a sysfs attribute")->required();
  read->callback([file, &status] {
    if (refused(*file)) {
      status = KX::KX_STATUS_INVALID_ARGUMENT;
      return;
    }
    std::string value;
    status = KX::readStringFromFile(*file, &value);
    if (status == KX::KX_STATUS_OK) {
      std::cout << value << "\n";
    } else {
      reportOpenFailure(*file);
    }
  });

  CLI::App* readInt =
      app.add_subcommand("read-int", "Print the number on the first line of a file");
  readInt->footer(
      "Prints the number on the first line of FILE in decimal (0x hexadecimal, leading 0 "
      "octal; reading stops at the first other character; no digits give 0). " +
      exitStatusText());
  readInt->add_option("FILE", *file, "File to read")->required();
  readInt->callback([file, &status] {
    if (refused(*file)) {
      status = KX::KX_STATUS_INVALID_ARGUMENT;
      return;
    }
    int value = 0;
    status = KX::readIntegerFromFile(*file, &value);
    if (status == KX::KX_STATUS_OK) {
      std::cout << value << "\n";
    } else {
      reportOpenFailure(*file);
    }
  });
}

}  // namespace kxutil
