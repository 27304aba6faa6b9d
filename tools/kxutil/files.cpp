// kxutil read, read-int and version: the library's readers of small files.
#include <sys/stat.h>

#include <memory>
#include <stdexcept>

#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXPackageVersion.h"
#include "kxutil.h"

namespace kxutil {

namespace {

// Refuses what exists but is not a regular file (a FIFO, a device, a
// directory): reading it could wait for a writer or never end. The files
// under /proc and /sys are regular; a missing file is left to the library.
Result regularFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
    return {};
  }
  return {kInvalidArgument, path + " is not a regular file"};
}

// Reads path with reader (the library reports a failed open) and prints the value.
template <typename Value>
void addReader(CLI::App& app, Result& result, const std::string& name, const std::string& help,
               const std::string& footer, int (*reader)(std::string, Value*)) {
  auto file = std::make_shared<std::string>();
  CLI::App* cmd = addCommand(app, name, help, footer, {kOk, kOpenFailed, kInvalidArgument});
  cmd->add_option("FILE", *file, "File to read, e.g. a sysfs attribute")->required();
  cmd->callback([file, reader, &result] {
    result = regularFile(*file);
    Value value{};
    if (result.status == kOk) {
      result.status = reader(*file, &value);
    }
    if (result.status == kOk) {
      std::cout << value << "\n";
    }
  });
}

Result readVersion(const std::string& file, std::string& version) {
  Result result = regularFile(file);
  if (result.status != kOk) {
    return result;
  }
  try {
    version = KX::retrievePackageVersion(file);
  } catch (const std::out_of_range&) {
    return {kMalformed, "the version line of " + file + " ends before its build field"};
  }
  if (version == "NOTFOUND") {
    return {kOpenFailed, {}};  // reported by the library
  }
  if (version == "undefined") {
    return {kNoValue,
            "no line with Version Major=\" in " + file + " (the line needs a line feed after it)"};
  }
  return {};
}

}  // namespace

void addReadCommands(CLI::App& app, Result& result) {
  addReader<std::string>(app, result, "read", "Print the first line of a file",
                         "Prints the first line of FILE as it is (a carriage return stays).",
                         KX::readStringFromFile);
  addReader<int>(
      app, result, "read-int", "Print the number on the first line of a file",
      "Prints the number on the first line of FILE in decimal (0x hexadecimal, leading 0 "
      "octal; reading stops at the first other character; no digits give 0).",
      KX::readIntegerFromFile);
}

void addVersionCommand(CLI::App& app, Result& result) {
  auto file = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  CLI::App* cmd = addCommand(
      app, "version", "Print a package's version from its version file",
      "Prints the version MM-mm-BBBB from the first line of FILE that holds 'Version Major=\"' "
      "and ends in a line feed. The fields stand at fixed places after the marker, so this "
      "file:\n\n  [package]\n  Version Major=\"01\" Minor=\"07\" BuildNum=\"0815\"\n\ngives "
      "\"Version: 01-07-0815\".",
      {kOk, kNoValue, kMalformed, kOpenFailed, kInvalidArgument});
  cmd->add_option("FILE", *file, "The package's version file")->required();
  cmd->add_flag("--json", *json, kJsonHelp);
  cmd->callback([file, json, &result] {
    std::string version;
    result = readVersion(*file, version);
    const bool found = result.status == kOk;
    if (*json) {
      printJson(Json{{"file", *file},
                     {"status", result.status},
                     {"version", found ? Json(version) : Json(nullptr)}});
    } else if (found) {
      std::cout << "Version: " << version << "\n";
    }
  });
}

}  // namespace kxutil
