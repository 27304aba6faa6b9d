#ifndef KXUTIL_COMMANDS_H
#define KXUTIL_COMMANDS_H

#include <CLI/CLI.hpp>

namespace kxutil {

// Each function adds one subcommand to the application. Its callback runs the
// command and stores the process exit status (the library's status code) in
// status.
void addEncryptCommand(CLI::App& app, int& status);
void addDecryptCommand(CLI::App& app, int& status);
void addInfoCommand(CLI::App& app, int& status);
void addMountCommand(CLI::App& app, int& status);
void addDfCommand(CLI::App& app, int& status);
// "read" and "read-int".
void addReadCommands(CLI::App& app, int& status);
void addVersionCommand(CLI::App& app, int& status);
void addBacktraceCommand(CLI::App& app, int& status);

}  // namespace kxutil

#endif
