// kxutil read FILE and read-int FILE: the library's small-file readers.
#include <iostream>
#include <memory>
#include <string>

#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXStatus.h"
#include "commands.h"

namespace kxutil {

namespace {

void reportOpenFailure(const std::string& file) {
  std::cerr << "kxutil: cannot open " << file << "\n";
}

}  // namespace

void addReadCommands(CLI::App& app, int& status) {
  auto file = std::make_shared<std::string>();

  CLI::App* read = app.add_subcommand("read", "Print the first line of a file");
  read->footer(
      "Prints the first line of FILE as it is (a carriage return stays). Exit status 0, or "
      "16 if FILE cannot be opened.");
  read->add_option("FILE", *file, "File to read, e.g. a sysfs attribute")->required();
  read->callback([file, &status] {
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
      "octal; reading stops at the first other character; no digits give 0). Exit status 0, "
      "or 16 if FILE cannot be opened.");
  readInt->add_option("FILE", *file, "File to read")->required();
  readInt->callback([file, &status] {
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
