#ifndef KXUTIL_KXUTIL_H
#define KXUTIL_KXUTIL_H

#include <CLI/CLI.hpp>
#include <initializer_list>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "KXAPI/KXStatus.h"

namespace kxutil {

// kxutil's exit statuses: the library's status codes, and kxutil's own for
// results the library gives as -1 or a fixed text and for what only kxutil
// checks. Its own stay clear of the library's codes and of CLI11's usage
// errors (100 and above).
enum ExitStatus : int {
  kOk = KX::KX_STATUS_OK,
  kNoMemory = KX::KX_STATUS_NO_MEMORY,
  kNoValue = 2,
  kMalformed = 3,
  kBadBase64 = 4,
  kBadLength = 5,
  kBadPadding = 6,
  kOpenFailed = KX::KX_STATUS_OPEN_FAILED,
  kInvalidArgument = KX::KX_STATUS_INVALID_ARGUMENT,
  kNotFound = KX::KX_STATUS_NOT_FOUND,
  kUsage = static_cast<int>(CLI::ExitCodes::IncorrectConstruction),
};

// The one list of what each status means; `kxutil --help` and each command's
// help are written from it.
struct StatusMeaning {
  ExitStatus status;
  const char* text;
};
inline constexpr StatusMeaning kStatusMeanings[] = {
    {kOk, "success"},
    {kNoMemory, "encrypt: the text could not be padded (\"Converting plain text failed\")"},
    {kNoValue, "the query gave no value (statvfs failed, no version line)"},
    {kMalformed, "the version line is too short"},
    {kBadBase64, "decrypt: the input is not Base64"},
    {kBadLength, "decrypt: the cipher text is not a non-zero multiple of 16 bytes"},
    {kBadPadding, "decrypt: the padding is wrong, which usually means a wrong key"},
    {kOpenFailed, "a file or the mount table cannot be opened"},
    {kInvalidArgument, "an invalid argument (a wrong key size, a file that is not regular)"},
    {kNotFound, "the device is not in the mount table"},
    {kUsage, "a usage error (an unknown command or option, a missing or bad value)"},
};

// Adds a command whose help ends in about and the meaning of its statuses,
// laid out as every command's help.
CLI::App* addCommand(CLI::App& app, const std::string& name, const std::string& help,
                     const std::string& about, std::initializer_list<ExitStatus> statuses);

// A command's outcome: its status and, for a failure, the line that says why.
// A failure that the library has already reported through KX::kxPrintError
// carries no line of its own.
struct Result {
  int status = kOk;
  std::string message;
};

// A JSON value whose object members keep the order in which they were added.
using Json = nlohmann::ordered_json;

inline constexpr const char* kJsonHelp = "One JSON object; bytes not UTF-8 become U+FFFD";

// Writes value on one line. Bytes that are not UTF-8 (paths and file contents
// are bytes) become U+FFFD, so the output is always valid JSON.
inline void printJson(const Json& value) {
  std::cout << value.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
}

// Each adds a command (read: "read" and "read-int") whose callback stores its
// outcome in result.
void addEncryptCommand(CLI::App& app, Result& result);
void addDecryptCommand(CLI::App& app, Result& result);
void addInfoCommand(CLI::App& app, Result& result);
void addMountCommand(CLI::App& app, Result& result);
void addDfCommand(CLI::App& app, Result& result);
void addReadCommands(CLI::App& app, Result& result);
void addVersionCommand(CLI::App& app, Result& result);
void addBacktraceCommand(CLI::App& app, Result& result);

}  // namespace kxutil

#endif
