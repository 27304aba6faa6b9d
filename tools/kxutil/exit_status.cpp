#include "exit_status.h"

#include <CLI/Error.hpp>

namespace kxutil {

std::string exitStatusHelp() {
  const struct {
    int status;
    const char* meaning;
  } statuses[] = {
      {KX::KX_STATUS_OK, "success"},
      {KX::KX_STATUS_NO_MEMORY, "the text could not be padded (\"Converting plain text failed\")"},
      {kExitNoValue, "the query gave no value (statvfs failed, no version line)"},
      {kExitMalformed, "the version line is too short"},
      {kExitBadBase64, "decrypt: the input is not Base64"},
      {kExitBadLength, "decrypt: the cipher text is not a non-zero multiple of 16 bytes"},
      {kExitBadPadding, "decrypt: the padding is wrong (usually a wrong key)"},
      {KX::KX_STATUS_OPEN_FAILED, "a file or the mount table cannot be opened"},
      {KX::KX_STATUS_INVALID_ARGUMENT,
       "an invalid argument (a key that is not 16 bytes, a file that is not a regular file)"},
      {KX::KX_STATUS_NOT_FOUND, "the device is not in the mount table"},
      {static_cast<int>(CLI::ExitCodes::IncorrectConstruction), "and above: a usage error"},
  };
  std::string help = "Exit status:";
  for (const auto& entry : statuses) {
    const std::string number = std::to_string(entry.status);
    help += "\n  " + std::string(3 - number.size(), ' ') + number + "  " + entry.meaning;
  }
  return help;
}

}  // namespace kxutil
