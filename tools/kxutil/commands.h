#ifndef KXUTIL_COMMANDS_H
#define KXUTIL_COMMANDS_H

#include <CLI/CLI.hpp>

namespace kxutil {

// Each function adds one subcommand to the application. Its callback runs the
// command and stores the process exit status (the library's status code) in
// status.
void addEncryptCommand(CLI::App& app, int& status);

}  // namespace kxutil

#endif
